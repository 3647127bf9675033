#!/usr/bin/env bash
# Runs the window-host tests (or those the second argument picks) again in a real X window (the
# xcb platform) on a virtual X server. Exits 77 (skipped) only where no virtual X server can be
# started.
set -euo pipefail
tests=$1
filter=${2:-WindowHost.*}
if ! command -v xvfb-run >/dev/null; then
  echo "real-window tests skipped: xvfb-run is not installed (scripts/setup installs it)"
  exit 77
fi
if ! xvfb-run -a true; then
  echo "real-window tests skipped: xvfb-run cannot start a virtual X server here"
  exit 77
fi
# The keyboard-map library of the X platform reads bounded strings that are not terminated, which
# is sound but trips the sanitizer's strict string checks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0"
# The X platform's libraries keep a few allocations for the life of the process, made through
# frames without frame pointers; only full stacks show the library that made them, which the leak
# suppressions name.
export LSAN_OPTIONS="${LSAN_OPTIONS:-}:fast_unwind_on_malloc=0"
ZV_TEST_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$tests" --gtest_filter="$filter"
