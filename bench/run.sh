#!/usr/bin/env bash
# Runs the benchmarks and measures folvane-cli on a generated 10 MB article
# (time and peak memory). Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
out="bench-results"
mkdir -p "$out"
for b in "$build"/bench/*_bench; do
  "$b" --benchmark_min_time=0.5 "$@"
done
"$build/bench/generate_article" 10 > "$out/article-10mb.txt"
echo "folvane-cli on a 10 MB GB18030 article (defaults):"
/usr/bin/time -f "  %e s, peak memory %M KB" "$build/src/cli/folvane-cli" --encoding gb18030 "$out/article-10mb.txt" > /dev/null
echo "folvane-cli on a 10 MB GB18030 article (joinNonParagraphBreaks, stripHeadNoise, stripTailNoise):"
/usr/bin/time -f "  %e s, peak memory %M KB" "$build/src/cli/folvane-cli" --encoding gb18030 \
  --set joinNonParagraphBreaks=1 --set stripHeadNoise=1 --set stripTailNoise=1 "$out/article-10mb.txt" > /dev/null
./bench/script_conversion.sh 10
if [ -x "$build/bench/window_responsiveness" ]; then
  echo "The main window while a 5 MB article is typeset:"
  QT_QPA_PLATFORM=offscreen "$build/bench/window_responsiveness" 5
fi
