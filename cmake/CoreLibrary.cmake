# The portable core: standard C++ only. It compiles on Linux, where no
# Windows header exists, which keeps it honest.
set(QM_CORE_SOURCES)
foreach(dir ${QM_MODULES})
  file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND QM_CORE_SOURCES ${found})
endforeach()

add_library(quenmoor_core STATIC ${QM_CORE_SOURCES})
target_include_directories(quenmoor_core PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/third_party)
# stb: data/StbLibraries.cpp compiles stb_image and stb_image_resize for the
# core and everything linked to it. The content tools, scenegen and
# tests/common/TestJpeg.h compile static copies of the parts they need
# (writers, fonts, Vorbis); README.md lists them.
target_include_directories(quenmoor_core SYSTEM PUBLIC /usr/include/stb)
target_compile_options(quenmoor_core PRIVATE -Wall -Wextra)
# stb_vorbis (our checked copy, sound/StbVorbis.cpp): its own warnings are not
# ours to fix, and it shifts negative ints left on purpose, which the
# sanitized build would stop on; our own code keeps both checks.
set_source_files_properties(${PROJECT_SOURCE_DIR}/sound/StbVorbis.cpp PROPERTIES COMPILE_OPTIONS "-w;-fno-sanitize=shift")
