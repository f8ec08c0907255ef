#!/usr/bin/env bash
# Markdown mode of folvane-cli (fixPunctuation, fixQuotes, spaceHanLatin)
# against autocorrect-node's Markdown formatting of the same input: the ten
# real documents of tests/markdown/documents repeated to MEGABYTES (default
# 10). Prints the best of RUNS (default 5) wall-clock times and the ratio.
# autocorrect-node is installed from npm into the build folder once.
# Usage: bench/markdown_ratio.sh [MEGABYTES] [RUNS]   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${BUILD:-build}" && pwd)"
mb="${1:-10}"
runs="${2:-5}"
cli="$build/src/cli/folvane-cli"
work="$build/markdown-check"
mkdir -p "$work"
[ -d "$work/node_modules/autocorrect-node" ] || (cd "$work" && npm install --no-audit --no-fund --silent autocorrect-node)
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
# Whole documents, each ending with a blank line, up to the size asked for.
while [ "$(stat -c %s "$dir/in.md" 2>/dev/null || echo 0)" -lt $((mb * 1000000)) ]; do
  for f in tests/markdown/documents/[0-9]*.md; do cat "$f"; printf '\n\n'; done >> "$dir/in.md"
done
cat > "$dir/peer.js" <<'JS'
const fs = require('fs');
const autocorrect = require(process.argv[2] + '/node_modules/autocorrect-node');
const text = fs.readFileSync(process.argv[3], 'utf8');
const t0 = process.hrtime.bigint();
const out = autocorrect.formatFor(text, 'markdown');
const t1 = process.hrtime.bigint();
fs.writeFileSync('/dev/null', out);
console.error('format only: ' + (Number(t1 - t0) / 1e9).toFixed(3) + ' s');
JS
best() {
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e" -o "$dir/t" "$@" > /dev/null 2>>"$dir/log"
    cat "$dir/t"
  done | sort -n | head -1
}
ours="$(best "$cli" --format markdown --no-rc --set fixPunctuation=1 --set fixQuotes=1 --set spaceHanLatin=1 "$dir/in.md")"
peer="$(best node "$dir/peer.js" "$work" "$dir/in.md")"
bytes="$(stat -c %s "$dir/in.md")"
awk -v b="$bytes" -v o="$ours" -v p="$peer" -v r="$runs" 'BEGIN {
  printf "Markdown mode on %.1f MB (best of %d): folvane-cli %.3f s (%.0f MB/s), autocorrect-node %.3f s: %.1fx its speed\n",
         b / 1e6, r, o, b / 1e6 / (o > 0 ? o : 0.001), p, p / (o > 0 ? o : 0.001) }'
grep -m1 "format only" "$dir/log" | sed 's/^/autocorrect-node /' || true
