# Third-party libraries for both targets.
# Native: Debian's -dev packages. MinGW: zlib from libz-mingw-w64-dev, Crypto++,
# libjpeg-turbo, libdeflate and ISA-L's inflate built from Debian's source packages into
# STP_DEPS_PREFIX by scripts/build-mingw-deps.sh.
#
# `isal` is an interface target: linked, it brings ISA-L and STP_HAVE_ISAL=1; where ISA-L
# cannot be linked (a fully static native build: Debian ships it shared only) it brings
# nothing, and large records stream through zlib alone.

# A tool that runs unpacked anywhere (the release build): every library linked in.
option(STP_STATIC "Link the programs statically (the release archives' stp)" OFF)
if(STP_STATIC AND NOT WIN32)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  add_link_options(-static)
endif()

find_package(ZLIB REQUIRED)

if(WIN32)
  set(STP_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/build/deps/mingw" CACHE PATH "Static MinGW dependencies")
  add_library(cryptopp STATIC IMPORTED GLOBAL)
  set_target_properties(cryptopp PROPERTIES
    IMPORTED_LOCATION "${STP_DEPS_PREFIX}/lib/libcryptopp.a"
    INTERFACE_INCLUDE_DIRECTORIES "${STP_DEPS_PREFIX}/include")
  add_library(jpeg STATIC IMPORTED GLOBAL)
  set_target_properties(jpeg PROPERTIES
    IMPORTED_LOCATION "${STP_DEPS_PREFIX}/lib/libjpeg.a"
    INTERFACE_INCLUDE_DIRECTORIES "${STP_DEPS_PREFIX}/include")
  add_library(deflate STATIC IMPORTED GLOBAL)
  set_target_properties(deflate PROPERTIES
    IMPORTED_LOCATION "${STP_DEPS_PREFIX}/lib/libdeflate.a"
    INTERFACE_INCLUDE_DIRECTORIES "${STP_DEPS_PREFIX}/include")
  add_library(isal INTERFACE IMPORTED GLOBAL)
  set_target_properties(isal PROPERTIES
    INTERFACE_LINK_LIBRARIES "${STP_DEPS_PREFIX}/lib/libisal.a"
    INTERFACE_INCLUDE_DIRECTORIES "${STP_DEPS_PREFIX}/include"
    INTERFACE_COMPILE_DEFINITIONS STP_HAVE_ISAL=1)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
else()
  find_library(CRYPTOPP_LIB NAMES cryptopp crypto++ REQUIRED)
  add_library(cryptopp UNKNOWN IMPORTED GLOBAL)
  set_target_properties(cryptopp PROPERTIES IMPORTED_LOCATION "${CRYPTOPP_LIB}")
  find_library(LIBDEFLATE_LIB NAMES deflate REQUIRED)
  add_library(deflate UNKNOWN IMPORTED GLOBAL)
  set_target_properties(deflate PROPERTIES IMPORTED_LOCATION "${LIBDEFLATE_LIB}")
  find_package(JPEG REQUIRED)
  add_library(jpeg INTERFACE IMPORTED GLOBAL)
  target_link_libraries(jpeg INTERFACE JPEG::JPEG)
  add_library(isal INTERFACE IMPORTED GLOBAL)
  find_library(ISAL_LIB NAMES isal)
  find_path(ISAL_INCLUDE isa-l/igzip_lib.h)
  if(ISAL_LIB AND ISAL_INCLUDE)
    set_target_properties(isal PROPERTIES
      INTERFACE_LINK_LIBRARIES "${ISAL_LIB}"
      INTERFACE_INCLUDE_DIRECTORIES "${ISAL_INCLUDE}"
      INTERFACE_COMPILE_DEFINITIONS STP_HAVE_ISAL=1)
  else()
    message(STATUS "ISA-L not found for this build: large records stream through zlib alone")
  endif()
endif()

# GoogleTest from the sources Debian's googletest package ships.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
