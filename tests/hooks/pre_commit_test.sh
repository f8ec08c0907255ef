#!/usr/bin/env bash
# The hooks of .pre-commit-hooks.yaml under the real pre-commit, in a
# throwaway repository: each passes on files that need nothing and fails,
# naming the file, on one that needs a correction.
# Usage: tests/hooks/pre_commit_test.sh BUILD_DIR
set -euo pipefail
project="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$project/build}" && pwd)"
command -v pre-commit >/dev/null || { echo "pre-commit is not installed (scripts/setup.sh)"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export PATH="$build/src/cli:$PATH" PRE_COMMIT_HOME="$work/cache" GIT_CONFIG_GLOBAL=/dev/null
export GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.com GIT_COMMITTER_NAME=t GIT_COMMITTER_EMAIL=t@example.com

# The hooks as a repository of their own: the project's hook file, committed.
hooks="$work/hooks"
mkdir -p "$hooks"
cp "$project/.pre-commit-hooks.yaml" "$hooks/"
git -C "$hooks" init -q && git -C "$hooks" add . && git -C "$hooks" commit -qm hooks

repo="$work/repo"
mkdir -p "$repo"
cd "$repo"
git init -q
printf '# 标题\n\n用 Python 写，`a,b` 好。\n\n```sh\ncd ..; echo "x",1\n```\n' > good.md
printf '　　第一段，好。\n' > good.txt
git add . && git commit -qm start

failures=0
expect() {  # expect STATUS HOOK FILE... : the hook's exit status and, on failure, the file named
  local want="$1" hook="$2"
  shift 2
  local out status=0
  out="$(pre-commit try-repo "$hooks" "$hook" --files "$@" 2>&1)" || status=$?
  if [ "$status" -ne "$want" ]; then
    echo "FAIL: $hook on $* exited $status, not $want"; echo "$out"; failures=$((failures + 1))
  elif [ "$want" -ne 0 ] && ! grep -q -- "${@: -1}" <<<"$out"; then
    echo "FAIL: $hook did not name ${*: -1}"; echo "$out"; failures=$((failures + 1))
  else
    echo "ok: $hook on $* exited $status"
  fi
}

expect 0 folvane-markdown good.md
expect 0 folvane-check good.txt
expect 0 folvane-diff good.txt
printf '用Python写,好。\n' > bad.md
printf '第一段,好。\n' > bad.txt
git add bad.md bad.txt
expect 1 folvane-markdown good.md bad.md
expect 1 folvane-check good.txt bad.txt
expect 1 folvane-diff bad.txt
# The repository's own configuration steers the hooks: its switches, and
# its patterns for which files are Markdown.
printf 'spaceHanLatin = 0\nfixPunctuation = 0\n' > .folvanerc
expect 0 folvane-markdown bad.md
# The text hook does not look at Markdown files, nor the Markdown hook at text.
rm .folvanerc
expect 0 folvane-check bad.md
expect 0 folvane-markdown bad.txt
[ "$failures" -eq 0 ] && echo "all hooks behave" || { echo "$failures failures"; exit 1; }
