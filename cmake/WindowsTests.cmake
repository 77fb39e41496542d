# Test support of the Windows build: GoogleTest for MinGW from Debian's googletest sources, and
# the paths and environment the test programs see under Wine.
set(RH_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)  # Windows threads, no winpthreads in gtest
add_subdirectory(${RH_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library IN ITEMS gtest gtest_main gmock gmock_main)
  # Not our code: its warnings are not ours to fix.
  target_compile_options(${library} PRIVATE -w)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()

# Wine maps the build machine's root to drive Z:, so paths compiled into the tests carry it.
# Temporary files go to the Wine prefix's own temporary directory, which is in the build tree.
set(RH_TEST_PATH_PREFIX "Z:")
