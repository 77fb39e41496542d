# Outside libraries, all from Debian packages (scripts/lib/packages lists them; for the Windows
# build scripts/lib/packages-windows).
if(WIN32)
  # The MinGW-w64 cross build: no GDAL, libpng or libuuid (Windows has its own calls); libzip is
  # cross-built into the build tree by scripts/lib/mingw-libzip, against Debian's static zlib for
  # MinGW, so the plug-ins need no zlib DLL beside them.
  set(ZLIB_USE_STATIC_LIBS ON)
  find_package(ZLIB REQUIRED)
  find_package(libzip CONFIG REQUIRED)
  # UTF8-CPP is header-only and the same for every target: take the build machine's.
  find_path(UTF8CPP_INCLUDE_DIR utf8.h PATHS /usr/include/utf8cpp NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
  find_package(CURL REQUIRED)
  # UTF8-CPP is header-only; Debian installs it under /usr/include/utf8cpp.
  find_path(UTF8CPP_INCLUDE_DIR utf8.h PATH_SUFFIXES utf8cpp REQUIRED)
  # The fuzzing build reads no raster and writes no picture.
  if(NOT RH_FUZZ)
    find_package(GDAL CONFIG QUIET)
    if(NOT GDAL_FOUND)
      find_package(GDAL REQUIRED)
    endif()
    find_package(PNG REQUIRED)
  endif()
endif()
add_library(utf8cpp_headers INTERFACE)
target_include_directories(utf8cpp_headers SYSTEM INTERFACE ${UTF8CPP_INCLUDE_DIR})
