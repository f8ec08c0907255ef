#!/usr/bin/env bash
# Installs the other Markdown reader and autocorrect-node from npm into the
# build folder (once) and runs structure_check.mjs over the documents.
# Usage: tests/markdown/structure_check.sh BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build}" && pwd)"
work="$build/markdown-check"
mkdir -p "$work"
if [ ! -d "$work/node_modules/mdast-util-from-markdown" ] || [ ! -d "$work/node_modules/autocorrect-node" ]; then
  (cd "$work" && npm install --no-audit --no-fund --silent mdast-util-from-markdown@2 mdast-util-gfm@3 \
     micromark-extension-gfm@3 mdast-util-frontmatter@2 micromark-extension-frontmatter@2 mdast-util-math@3 \
     micromark-extension-math@3 autocorrect-node diff@5)
fi
cp "$here/structure_check.mjs" "$work/"
exec node "$work/structure_check.mjs" "$build/src/cli/folvane-cli" "$here"/documents/[0-9]*.md
