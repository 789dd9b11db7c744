# Third-party libraries for both targets.
# Native: Debian's -dev packages. MinGW: zlib from libz-mingw-w64-dev, Crypto++,
# libjpeg-turbo and libdeflate built from Debian's source packages into STP_DEPS_PREFIX by
# scripts/build-mingw-deps.sh.

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
endif()

# GoogleTest from the sources Debian's googletest package ships.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
