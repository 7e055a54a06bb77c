# Host build: core, its tests, tools, fuzzers and benchmarks.
include(cmake/CoreLibrary.cmake)

option(QM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  target_compile_options(quenmoor_core PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
endif()

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

file(GLOB QM_CORE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/core/*.cpp)
add_executable(core_tests ${QM_CORE_TESTS})
target_link_libraries(core_tests PRIVATE quenmoor_core qm_samples GTest::gtest GTest::gtest_main Threads::Threads)
target_compile_definitions(core_tests PRIVATE QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QM_FIXTURE_DIR="${PROJECT_SOURCE_DIR}/tests/data/fixtures"
  QM_CONTENT_DIR="${CMAKE_BINARY_DIR}/generated/content")
add_test(NAME core_tests COMMAND core_tests)

# Host tools, benchmarks, the sound capture check and fuzzers each bring
# their own CMakeLists.txt.
file(GLOB QM_HOST_DIRS CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/tools/*/CMakeLists.txt
  ${PROJECT_SOURCE_DIR}/bench/*/CMakeLists.txt
  ${PROJECT_SOURCE_DIR}/tests/sound/CMakeLists.txt)
option(QM_FUZZ "Build libFuzzer targets (needs clang)" OFF)
if(QM_FUZZ)
  # The sanitized tree tests code, not content: generating the textures,
  # sounds and the data archive there only costs minutes.
  list(FILTER QM_HOST_DIRS EXCLUDE REGEX "/tools/(content|dataarchive)/")
endif()
foreach(f ${QM_HOST_DIRS})
  get_filename_component(d ${f} DIRECTORY)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${d})
  add_subdirectory(${d} ${rel})
endforeach()

if(QM_FUZZ)
  file(GLOB QM_FUZZERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*.cpp)
  foreach(src ${QM_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE quenmoor_core)
    # New inputs go to the build tree; the committed seeds are only read.
    set(corpus ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name}_smoke COMMAND ${name} -max_total_time=5 -rss_limit_mb=2048
      -artifact_prefix=${work}/ ${work} ${corpus})
  endforeach()
endif()

# The shell and the framework never include each other both ways.
add_test(NAME layering COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
  -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayering.cmake)
