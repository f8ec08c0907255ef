#!/usr/bin/env bash
# The desktop program at rest under Xvfb with its update service out of
# reach: the resident memory of the program and all its children after
# SECONDS (default 15), and whether its main window was mapped once (the
# same X window from the first look to the last, no second one made).
# Build first with scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
wait_s="${1:-15}"
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/src/app/folvane" "$work/folvane"   # settings beside it: a first start
cp "$build/src/ui/web/libfolvane-web.so" "$work/" 2>/dev/null || true

inner() {  # runs inside the X server
  export XDG_RUNTIME_DIR="$work/run"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  QT_QPA_PLATFORM=xcb "$work/folvane" > "$work/log" 2>&1 &
  pid=$!
  first=$(xdotool search --sync --onlyvisible --name "FOLVANE" | head -1)
  sleep "$wait_s"
  last=$(xdotool search --onlyvisible --name "FOLVANE" | tr '\n' ' ')
  # The program and every process below it.
  pids=$pid
  todo=$pid
  while [ -n "$todo" ]; do
    next=""
    for p in $todo; do
      for c in $(cat /proc/"$p"/task/*/children 2>/dev/null); do next="$next $c"; pids="$pids $c"; done
    done
    todo=$next
  done
  total=0
  for p in $pids; do
    kb=$(awk '/^VmRSS:/ {print $2}' /proc/"$p"/status 2>/dev/null || echo 0)
    total=$((total + ${kb:-0}))
  done
  echo "processes: $(echo $pids | wc -w)  resident: $((total / 1024)) MB  window: first $first, now $last"
  kill "$pid"
  wait "$pid" || true
}
# xvfb-run is a POSIX shell script, which drops exported bash functions:
# the function travels as the text of a script.
{ echo "work='$work' wait_s='$wait_s'"; declare -f inner; echo inner; } > "$work/inner.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/inner.sh"
