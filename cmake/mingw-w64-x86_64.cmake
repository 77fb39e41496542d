# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX threads flavour, which
# std::thread and std::mutex need). Tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RH_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER ${RH_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${RH_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${RH_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW tree and the libraries built for it into the build
# tree (RH_MINGW_PREFIX), never from the build machine's own.
set(RH_MINGW_PREFIX "" CACHE PATH "Where the libraries cross-built for MinGW are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${RH_MINGW_TRIPLE} ${RH_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The GCC runtime, the C++ library and winpthreads go inside each DLL and program, so the
# plug-ins need nothing beside them that Windows does not have.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Test programs run through Wine; WINEPREFIX and WINEDEBUG come from the caller (scripts/test).
find_program(RH_WINE NAMES wine64 wine)
if(RH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RH_WINE})
endif()
