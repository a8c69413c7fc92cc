#!/bin/sh
# Builds the library and test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/ and runs every test there (the Qt window's tests run in the normal
# build; Qt's own allocations would drown the leak report).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j 2 --target mirvex mirvex-window mirvex_tests
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j 2 -E "MainWindowQt|Screenshots"
