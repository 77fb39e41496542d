# Outside libraries, all from Debian packages (scripts/lib/packages lists them).
find_package(PkgConfig REQUIRED)
pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)

# UTF8-CPP is header-only; Debian installs it under /usr/include/utf8cpp.
find_path(UTF8CPP_INCLUDE_DIR utf8.h PATH_SUFFIXES utf8cpp REQUIRED)
add_library(utf8cpp_headers INTERFACE)
target_include_directories(utf8cpp_headers SYSTEM INTERFACE ${UTF8CPP_INCLUDE_DIR})

find_package(GDAL CONFIG QUIET)
if(NOT GDAL_FOUND)
  find_package(GDAL REQUIRED)
endif()
find_package(PNG REQUIRED)
