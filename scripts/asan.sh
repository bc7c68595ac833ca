#!/bin/sh
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer (the asan preset,
# build/asan) and runs every test in it. Leaks inside Qt and fontconfig are suppressed
# (tests/lsan.supp); any other leak, overflow, use after free or undefined behaviour fails the
# test that met it.
#
#   scripts/asan.sh [extra ctest arguments, e.g. -j2 or -L unit]
set -eu
cd "$(dirname "$0")/.."
cmake --preset asan
cmake --build --preset asan -j2
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    ctest --preset asan "$@"
