# Cross build of the 32-bit Windows program: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# It compiles and links here; the 32-bit result cannot run on this machine (the
# kernel has 32-bit emulation off), so its tests are built but not run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SVX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Test cases are listed when ctest runs, never at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
