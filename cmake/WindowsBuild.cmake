# Windows build (MinGW-w64): core + Windows layer + resources -> Quenmoor.scr,
# and the Windows-side tests that ctest runs under Wine.
enable_language(RC)
include(cmake/CoreLibrary.cmake)

# Static runtime: the .scr must import system DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)
# No link time in the PE header: two builds of one commit are byte-identical.
add_link_options(-Wl,--no-insert-timestamp)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

set(QM_WIN_SOURCES)
foreach(dir ${QM_MODULES})
  file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/win/*.cpp)
  list(APPEND QM_WIN_SOURCES ${found})
endforeach()
list(FILTER QM_WIN_SOURCES EXCLUDE REGEX ".*/(EntryPoint|OldWindowsImports)\\.cpp$")

add_library(quenmoor_win STATIC ${QM_WIN_SOURCES})
target_link_libraries(quenmoor_win PUBLIC quenmoor_core
  user32 gdi32 advapi32 comctl32 shell32 winmm uuid)
target_compile_options(quenmoor_win PRIVATE -Wall -Wextra)

# Generated binary resources (archive, pictures) are written here by the
# host tools and picked up by the .rc files.
set(QM_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated CACHE PATH "Generated resource blobs")
file(GLOB QM_RC_DEPENDS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*)
# The pictures come from the content generator; its stamp marks new ones.
list(APPEND QM_RC_DEPENDS ${QM_GENERATED_DIR}/content.stamp)

# The saver's resources, scene archive included, for a program of our own.
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/DataArchive.rc PROPERTIES
  OBJECT_DEPENDS "${QM_GENERATED_DIR}/Quenmoor.rar;${QM_RC_DEPENDS}")
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/Quenmoor.rc PROPERTIES
  OBJECT_DEPENDS "${QM_RC_DEPENDS}")
function(qm_add_saver_resources name)
  target_sources(${name} PRIVATE
    ${PROJECT_SOURCE_DIR}/resources/Quenmoor.rc ${PROJECT_SOURCE_DIR}/resources/DataArchive.rc)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/resources ${QM_GENERATED_DIR})
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${PROJECT_SOURCE_DIR}/resources -I${QM_GENERATED_DIR}>)
endfunction()

function(qm_add_saver name)
  # OldWindowsImports as an object: its import slot must win over kernel32's
  add_executable(${name} WIN32 ${PROJECT_SOURCE_DIR}/shell/win/EntryPoint.cpp
    ${PROJECT_SOURCE_DIR}/shell/win/OldWindowsImports.cpp)
  set_target_properties(${name} PROPERTIES SUFFIX ".scr")
  target_link_libraries(${name} PRIVATE quenmoor_win)
  qm_add_saver_resources(${name})
endfunction()

# The shipped saver writes no log.
qm_add_saver(Quenmoor)
# The same sources with a log file name, for the end-to-end tests.
qm_add_saver(QuenmoorLogged)
target_compile_definitions(QuenmoorLogged PRIVATE QM_LOG_FILE="Quenmoor.log")

# Windows-side unit tests (one executable: every Wine start costs a second).
find_package(Threads REQUIRED)
set(QM_GTEST_DIR /usr/src/googletest/googletest)
add_library(qm_gtest STATIC ${QM_GTEST_DIR}/src/gtest-all.cc ${QM_GTEST_DIR}/src/gtest_main.cc)
target_include_directories(qm_gtest PUBLIC ${QM_GTEST_DIR}/include PRIVATE ${QM_GTEST_DIR})
target_link_libraries(qm_gtest PUBLIC Threads::Threads)

file(GLOB QM_WIN_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
# Test-only resources (a small data archive as CustomData 454).
file(GLOB QM_WIN_TEST_RC CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.rc)
if(QM_WIN_TESTS)
  # The sample pictures the tests draw on (tests/common/GfxTestImages.h).
  add_subdirectory(tools/samples)
  add_executable(win_tests ${QM_WIN_TESTS} ${QM_WIN_TEST_RC} ${PROJECT_SOURCE_DIR}/resources/Quenmoor.rc
    ${PROJECT_SOURCE_DIR}/shell/win/OldWindowsImports.cpp)
  target_link_libraries(win_tests PRIVATE quenmoor_win qm_gtest qm_samples)
  target_include_directories(win_tests PRIVATE ${PROJECT_SOURCE_DIR}/resources ${QM_GENERATED_DIR})
  target_compile_options(win_tests PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${PROJECT_SOURCE_DIR}/resources -I${QM_GENERATED_DIR}>)
  # win_tests brings its own CustomData 454 (tests/win/ArchiveTest.rc)
  target_compile_options(win_tests PRIVATE $<$<COMPILE_LANGUAGE:RC>:-I${PROJECT_SOURCE_DIR}/tests/data/rar>)
  # and the loading screen's pictures (tests/win/LoadingScreenTest.rc)
  set_source_files_properties(${QM_WIN_TEST_RC} PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/tests/data/rar/scene-sample.rar;${QM_RC_DEPENDS}")
  add_test(NAME win_tests COMMAND win_tests)
endif()

# The real scene on a real device: a harness that renders chosen frames at
# chosen clock times, its picture tests, and the shots/bench program.
set(QM_RENDER_DIR ${PROJECT_SOURCE_DIR}/tests/render)
if(EXISTS ${QM_RENDER_DIR}/SceneHarness.cpp)
  add_library(qm_scene_harness STATIC ${QM_RENDER_DIR}/SceneHarness.cpp ${QM_RENDER_DIR}/PngWrite.cpp)
  target_link_libraries(qm_scene_harness PUBLIC quenmoor_win)
  function(qm_add_scene_program name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE qm_scene_harness)
    qm_add_saver_resources(${name})
  endfunction()
  qm_add_scene_program(scene_render_tests ${QM_RENDER_DIR}/SceneRenderTest.cpp ${QM_RENDER_DIR}/OverlayRenderTest.cpp)
  target_link_libraries(scene_render_tests PRIVATE qm_gtest)
  add_test(NAME scene_render COMMAND scene_render_tests)
  set_tests_properties(scene_render PROPERTIES TIMEOUT 900)
  qm_add_scene_program(scene_shots ${QM_RENDER_DIR}/ShotsMain.cpp ${QM_RENDER_DIR}/HeapCount.cpp
                       ${PROJECT_SOURCE_DIR}/tests/win/FakeDirect3D.cpp)
  # its benchmark counts the heap allocations of a frame (HeapCount.cpp)
  target_link_options(scene_shots PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
  # an hour of frames at the most rain and leaves on a device that draws
  # nothing: the heap stays flat, nothing becomes NaN, the counts hold
  qm_add_scene_program(scene_soak ${QM_RENDER_DIR}/SoakMain.cpp ${QM_RENDER_DIR}/HeapCount.cpp
                       ${PROJECT_SOURCE_DIR}/tests/win/FakeDirect3D.cpp)
  target_link_options(scene_soak PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
  add_test(NAME scene_soak COMMAND scene_soak)
  set_tests_properties(scene_soak PROPERTIES TIMEOUT 900)
endif()

# End-to-end driver: starts the logged saver with each switch.
file(GLOB QM_E2E_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
if(QM_E2E_SOURCES)
  add_executable(e2e_driver ${QM_E2E_SOURCES})
  # the saver's pictures are read with the program's own resource and
  # picture code
  target_link_libraries(e2e_driver PRIVATE qm_gtest quenmoor_win user32 gdi32 advapi32)
  add_dependencies(e2e_driver QuenmoorLogged)
  # the password applet of Windows 9x, as the test tells it to answer; the
  # driver copies it into the saver's working folder
  add_library(test_password_cpl SHARED ${PROJECT_SOURCE_DIR}/tests/e2e/password/TestPasswordCpl.cpp
                                       ${PROJECT_SOURCE_DIR}/tests/e2e/password/TestPasswordCpl.def)
  set_target_properties(test_password_cpl PROPERTIES PREFIX "" OUTPUT_NAME "PASSWORD" SUFFIX ".CPL")
  add_dependencies(e2e_driver test_password_cpl)
  add_test(NAME e2e COMMAND e2e_driver $<TARGET_FILE:QuenmoorLogged>)
  # a saver that never ends must not hold the whole test run
  set_tests_properties(e2e PROPERTIES TIMEOUT 600)
endif()

# The archive tool runs on Windows too.
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/qarchive/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/qarchive tools/qarchive)
endif()

# The shipped saver imports system DLLs only; checked without Wine, so it
# also runs for a build whose programs cannot run here.
# The 32-bit saver also runs on Windows XP and 98: no import of a function
# that came with Vista, XP or NT.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QM_NEWER_FUNCTIONS
      "GetTickCount64;TryEnterCriticalSection;GetHandleInformation;AddVectoredExceptionHandler;RemoveVectoredExceptionHandler")
else()
  set(QM_NEWER_FUNCTIONS "")
endif()
add_test(NAME imports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=$<TARGET_FILE:Quenmoor>
  "-DFORBIDDEN=${QM_NEWER_FUNCTIONS}" -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake)
set_tests_properties(imports PROPERTIES LABELS no-wine)

# Neither saver carries a path of the machine that built it.
foreach(saver Quenmoor QuenmoorLogged)
  add_test(NAME no_build_paths_${saver} COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${saver}>
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DBINARY_DIR=${PROJECT_BINARY_DIR}
    -P ${PROJECT_SOURCE_DIR}/cmake/CheckNoBuildPaths.cmake)
  set_tests_properties(no_build_paths_${saver} PROPERTIES LABELS no-wine)
endforeach()

# Watches a running program's memory, handles and threads over a long run
# (./quenmoor.sh soak).
add_executable(process_sampler ${PROJECT_SOURCE_DIR}/tests/longrun/ProcessSampler.cpp)
target_link_libraries(process_sampler PRIVATE psapi user32)
# The least a Direct3D 9 program ending on a key takes to end under the same
# system: the peer of the saver's exit latency (./quenmoor.sh bench).
add_executable(exit_peer WIN32 ${PROJECT_SOURCE_DIR}/tests/longrun/ExitPeer.cpp)
target_link_libraries(exit_peer PRIVATE d3d9 user32 gdi32)
