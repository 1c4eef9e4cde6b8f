# Third-party libraries. Natively they come from Debian's -dev packages; for the
# Windows build they are compiled from Debian's sources into the build folder,
# once, and reused by later builds.
include(ExternalProject)

if(NOT WIN32)
  find_package(GTest REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(benchmark QUIET)
  add_library(setup_jpeg INTERFACE)
  target_link_libraries(setup_jpeg INTERFACE JPEG::JPEG)
  return()
endif()

# GoogleTest from Debian's source package, compiled by the cross compiler.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

# libjpeg from Debian's libjpeg-turbo source package, as a static MinGW library.
set(jpeg_src_root ${CMAKE_BINARY_DIR}/_deps/libjpeg-turbo-src)
file(GLOB jpeg_src_dir LIST_DIRECTORIES true ${jpeg_src_root}/libjpeg-turbo-*)
list(FILTER jpeg_src_dir INCLUDE REGEX "/libjpeg-turbo-[0-9.]+$")
if(NOT jpeg_src_dir)
  file(MAKE_DIRECTORY ${jpeg_src_root})
  execute_process(COMMAND apt-get source --download-only libjpeg-turbo
    WORKING_DIRECTORY ${jpeg_src_root} RESULT_VARIABLE rc OUTPUT_QUIET)
  file(GLOB dsc ${jpeg_src_root}/*.dsc)
  if(NOT rc EQUAL 0 OR NOT dsc)
    message(FATAL_ERROR "Cannot fetch Debian's libjpeg-turbo source (run scripts/deps.sh first)")
  endif()
  execute_process(COMMAND dpkg-source --no-check -x ${dsc}
    WORKING_DIRECTORY ${jpeg_src_root} RESULT_VARIABLE rc OUTPUT_QUIET)
  file(GLOB jpeg_src_dir LIST_DIRECTORIES true ${jpeg_src_root}/libjpeg-turbo-*)
  list(FILTER jpeg_src_dir INCLUDE REGEX "/libjpeg-turbo-[0-9.]+$")
endif()

set(jpeg_prefix ${CMAKE_BINARY_DIR}/_deps/libjpeg-turbo)
ExternalProject_Add(libjpeg_build
  SOURCE_DIR ${jpeg_src_dir}
  BINARY_DIR ${CMAKE_BINARY_DIR}/_deps/libjpeg-turbo-build
  INSTALL_DIR ${jpeg_prefix}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${jpeg_prefix}
    -DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
  BUILD_BYPRODUCTS ${jpeg_prefix}/lib/libjpeg.a
  UPDATE_COMMAND "" PATCH_COMMAND "")
file(MAKE_DIRECTORY ${jpeg_prefix}/include)
add_library(setup_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(setup_jpeg PROPERTIES
  IMPORTED_LOCATION ${jpeg_prefix}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${jpeg_prefix}/include)
add_dependencies(setup_jpeg libjpeg_build)
