#!/usr/bin/env bash
# A real client: Neovim's built-in LSP client (nvim --headless) runs
# folvane-cli lsp on a Markdown file (UTF-16 positions, "fix all"), a text
# file (UTF-8 positions, "fix all") and a Markdown file with CRLF line
# breaks (formatting), each with faults and characters outside the BMP;
# it waits for the diagnostics, applies the edits, writes the file, and the
# file must equal what folvane-cli --format writes. Everything happens in a
# temporary folder that is removed at the end.
# Usage: neovim_test.sh FOLVANE_CLI NVIM
set -euo pipefail
cli="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
nvim="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir home docs
# The repository's configuration: both the command line and the server read it.
printf 'fixQuotes = 1\n' > docs/.folvanerc
cat > docs/doc.md <<'MD'
---
title: 示例,文档
---
# 标题😀,好

中文English混排,这是😀测试.他说"𠀀你好",然后走了.

- 列表项,好的
- [x] 任务,完成

```sh
echo "code, here"
```

<!-- folvane-disable -->
不改,这里
<!-- folvane-enable -->
| 表头,一 | b |
|---|---|
| 中文abc | 😀, |
MD
cat > docs/notes.txt <<'TXT'
第一段😀,没有缩进
第二行𠀀.


  第三段,有空格 
TXT
printf '# 标题,CRLF\r\n\r\n中文English😀,好.\r\n' > docs/crlf.md

for f in doc.md notes.txt crlf.md; do
  "$cli" --format auto "docs/$f" > "expected-$f"
  if cmp -s "expected-$f" "docs/$f"; then echo "$f: folvane-cli changes nothing, the test would prove nothing"; exit 1; fi
done

status=0
HOME="$work/home" XDG_CONFIG_HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_STATE_HOME="$work/home" \
XDG_CACHE_HOME="$work/home" FOLVANE_CLI="$cli" \
  timeout 240 "$nvim" --headless -u NONE -i NONE -n \
    -c "luafile $here/neovim_client.lua" -- docs/doc.md docs/notes.txt docs/crlf.md || status=$?
if [ "$status" -ne 0 ]; then echo "nvim ended with status $status"; exit 1; fi

for f in doc.md notes.txt crlf.md; do
  if ! cmp "expected-$f" "docs/$f"; then
    echo "$f: what Neovim wrote differs from folvane-cli's result"
    diff "expected-$f" "docs/$f" || true
    exit 1
  fi
done
echo "neovim: 3 files fixed through the language server, equal to folvane-cli's output"
