#!/usr/bin/env bash
# Runs the benchmarks, the editor benchmark with a 5 MB and a 50 MB article,
# and measures folvane-cli on a generated 10 MB article (time and peak memory).
# The benchmarks are off in a default build: this turns them on and builds.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
./scripts/build.sh "$build" -DFOLVANE_BUILD_BENCH=ON
out="bench-results"
mkdir -p "$out"
for b in "$build"/bench/*_bench; do
  [ "$(basename "$b")" = editor_bench ] && continue
  "$b" --benchmark_min_time=0.5 "$@"
done
echo "The editor in the window (offscreen) with a 5 MB and a 50 MB article:"
"$build/bench/editor_bench" 5
"$build/bench/editor_bench" 50
"$build/bench/editor_bench" 1 line
"$build/bench/generate_article" 10 > "$out/article-10mb.txt"
echo "folvane-cli on a 10 MB GB18030 article (defaults):"
/usr/bin/time -f "  %e s, peak memory %M KB" "$build/src/cli/folvane-cli" --encoding gb18030 "$out/article-10mb.txt" > /dev/null
echo "folvane-cli on a 10 MB GB18030 article (joinNonParagraphBreaks, stripHeadNoise, stripTailNoise):"
/usr/bin/time -f "  %e s, peak memory %M KB" "$build/src/cli/folvane-cli" --encoding gb18030 \
  --set joinNonParagraphBreaks=1 --set stripHeadNoise=1 --set stripTailNoise=1 "$out/article-10mb.txt" > /dev/null
./bench/script_conversion.sh 10
echo "The batch window against folvane-cli -o:"
"$build/bench/batch_window_timing" "$build/src/cli/folvane-cli"
if [ -x "$build/bench/startup_timing" ]; then
  nice -n 10 "$build/bench/startup_timing" 15
fi
if [ -x "$build/bench/window_responsiveness" ]; then
  echo "The main window while a 5 MB article is typeset:"
  QT_QPA_PLATFORM=offscreen "$build/bench/window_responsiveness" 5
fi
