#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz and runs each for the
# given number of seconds (default 30), two at a time, starting from the
# committed seeds. Fails on any finding; a crashing input is left in
# build-fuzz/findings/. Usage: tests/fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_typeset fuzz_ini fuzz_codec fuzz_strip fuzz_script fuzz_markdown fuzz_lsp)
CC=clang CXX=clang++ ./scripts/build.sh build-fuzz -DFOLVANE_FUZZ=ON -DFOLVANE_BUILD_GUI=OFF \
  -DFOLVANE_BUILD_TESTS=OFF -DFOLVANE_BUILD_BENCH=OFF
mkdir -p build-fuzz/findings build-fuzz/corpus build-fuzz/logs
run() {
  local t="$1"
  mkdir -p "build-fuzz/corpus/$t"
  # The working corpus grows in build-fuzz; the committed seeds stay as they are.
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    nice -n 10 "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
    "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"build-fuzz/logs/$t.log" 2>&1
}
failed=0
pids=()
names=()
for t in "${targets[@]}"; do
  run "$t" & pids+=($!); names+=("$t")
  if [ ${#pids[@]} -eq 2 ]; then
    for i in 0 1; do
      if wait "${pids[$i]}"; then echo "$(tail -n 20 "build-fuzz/logs/${names[$i]}.log" | grep -m1 stat::number_of_executed_units || true) ${names[$i]}: clean"
      else echo "${names[$i]}: FINDING (see build-fuzz/logs/${names[$i]}.log)"; tail -n 40 "build-fuzz/logs/${names[$i]}.log"; failed=1; fi
    done
    pids=(); names=()
  fi
done
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then echo "$(tail -n 20 "build-fuzz/logs/${names[$i]}.log" | grep -m1 stat::number_of_executed_units || true) ${names[$i]}: clean"
  else echo "${names[$i]}: FINDING (see build-fuzz/logs/${names[$i]}.log)"; tail -n 40 "build-fuzz/logs/${names[$i]}.log"; failed=1; fi
done
exit $failed
