# libjpeg-turbo, from Debian's source package (scripts/setup.sh unpacks it into
# its cache folder), built by the cross compiler as a static library with its
# nasm SIMD code. Gives the imported target `jpeg_turbo` (the library with its
# headers: jpeglib.h and the generated jconfig.h).
include(ExternalProject)

if(NOT BRIMSEL_LIBJPEG_TURBO_SOURCE)
  if(DEFINED ENV{BRIMSEL_SOURCE_CACHE})
    set(source_cache $ENV{BRIMSEL_SOURCE_CACHE})
  else()
    set(source_cache /var/cache/brimsel)
  endif()
  file(GLOB marks ${source_cache}/libjpeg-turbo-*/.brimsel-complete)
  list(SORT marks)
  list(POP_BACK marks mark)
  if(NOT mark)
    message(FATAL_ERROR "No libjpeg-turbo source in ${source_cache}: run scripts/setup.sh")
  endif()
  get_filename_component(found ${mark} DIRECTORY)
  set(BRIMSEL_LIBJPEG_TURBO_SOURCE ${found} CACHE PATH "libjpeg-turbo's source tree")
endif()

set(jpeg_prefix ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(jpeg_build ${jpeg_prefix}/build)
set(jpeg_library ${jpeg_build}/libjpeg.a)
# No getenv: nothing in the environment changes how pictures decode. Source
# and build folders are mapped away, and the build string is fixed, so the
# binaries do not depend on where or when they were built.
set(jpeg_c_flags "-DNO_GETENV -DNO_PUTENV -ffile-prefix-map=${BRIMSEL_LIBJPEG_TURBO_SOURCE}=libjpeg-turbo -ffile-prefix-map=${jpeg_build}=libjpeg-turbo")
ExternalProject_Add(libjpeg_turbo_build
  SOURCE_DIR ${BRIMSEL_LIBJPEG_TURBO_SOURCE}
  PREFIX ${jpeg_prefix}
  BINARY_DIR ${jpeg_build}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${jpeg_prefix}/install
    -DCMAKE_C_FLAGS=${jpeg_c_flags}
    -DCMAKE_ASM_NASM_COMPILER=nasm
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=OFF
    -DBUILD=brimsel
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${jpeg_build} --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${jpeg_library}
  # The cache is read-only to the build; nothing is patched or updated.
  UPDATE_COMMAND "" PATCH_COMMAND "")

add_library(jpeg_turbo STATIC IMPORTED GLOBAL)
set_target_properties(jpeg_turbo PROPERTIES IMPORTED_LOCATION ${jpeg_library})
file(MAKE_DIRECTORY ${jpeg_build})
target_include_directories(jpeg_turbo INTERFACE ${BRIMSEL_LIBJPEG_TURBO_SOURCE} ${jpeg_build})
add_dependencies(jpeg_turbo libjpeg_turbo_build)
