# zlib from Debian's MinGW package; minizip's unzip core from zlib's source package.
find_library(PS_ZLIB NAMES libz.a z REQUIRED)
find_path(PS_ZLIB_INCLUDE zlib.h REQUIRED)

set(PS_MINIZIP_DIR ${PS_DEPS_DIR}/zlib/contrib/minizip)
if(NOT EXISTS ${PS_MINIZIP_DIR}/unzip.c)
  message(FATAL_ERROR "minizip sources missing in ${PS_MINIZIP_DIR}: run scripts/setup")
endif()
add_library(minizip STATIC
  ${PS_MINIZIP_DIR}/unzip.c
  ${PS_MINIZIP_DIR}/ioapi.c
  ${PS_MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${PS_MINIZIP_DIR} ${PS_ZLIB_INCLUDE})
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ${PS_ZLIB})

# GoogleTest from Debian's googletest sources, built with the cross compiler.
set(PS_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")

# OpenSSL's static libraries, built for mingw64 by scripts/setup from
# Debian's 3.0 sources; the HTTP client's TLS.
set(PS_OPENSSL_DIR ${PS_DEPS_DIR}/openssl-build)
if(NOT EXISTS ${PS_OPENSSL_DIR}/lib/libssl.a OR NOT EXISTS ${PS_OPENSSL_DIR}/lib/libcrypto.a)
  message(FATAL_ERROR "OpenSSL missing in ${PS_OPENSSL_DIR}: run scripts/setup")
endif()
add_library(openssl_crypto STATIC IMPORTED)
set_target_properties(openssl_crypto PROPERTIES
  IMPORTED_LOCATION ${PS_OPENSSL_DIR}/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${PS_OPENSSL_DIR}/include
  INTERFACE_LINK_LIBRARIES "ws2_32;gdi32;crypt32;advapi32;user32;bcrypt")
add_library(openssl_ssl STATIC IMPORTED)
set_target_properties(openssl_ssl PROPERTIES
  IMPORTED_LOCATION ${PS_OPENSSL_DIR}/lib/libssl.a
  INTERFACE_LINK_LIBRARIES openssl_crypto)
