# libpng and FreeType for the toolkit (zlib comes with libpng).
# The x86-64 build links the -dev packages' libraries; the 32-bit build links
# the i386 runtime libraries by their versioned names and compiles against the
# same headers (Debian's multi-arch headers are one set for all architectures),
# so it needs no i386 -dev package: those pull in the i386 C library's headers,
# which a skewed i386 mirror index can make uninstallable.
find_path(KELVANTI_PNG_INCLUDE_DIR png.h PATH_SUFFIXES libpng16 NO_CMAKE_FIND_ROOT_PATH)
find_path(KELVANTI_FREETYPE_INCLUDE_DIR ft2build.h PATH_SUFFIXES freetype2 NO_CMAKE_FIND_ROOT_PATH)
find_library(KELVANTI_PNG_LIBRARY NAMES png16 libpng16.so.16)
find_library(KELVANTI_FREETYPE_LIBRARY NAMES freetype libfreetype.so.6)
foreach(var KELVANTI_PNG_INCLUDE_DIR KELVANTI_FREETYPE_INCLUDE_DIR KELVANTI_PNG_LIBRARY KELVANTI_FREETYPE_LIBRARY)
  if(NOT ${var})
    message(FATAL_ERROR "${var} not found: tools/setup/install-deps.sh installs libpng and FreeType")
  endif()
endforeach()
