#!/usr/bin/env bash
# Copy-is-typeset in a Wayland session, with Folvane in the background: a
# headless sway, another client (foot) in front, texts copied with wl-copy
# and read back with wl-paste ("排版后拷贝" is on, so the typeset result is
# what the clipboard holds). sway refuses to run as root: as root, the test
# runs everything as a system user of its own (test_user.sh).
# Usage: copy_typeset_sway.sh PROGRAM
set -euo pipefail
program=$1
for tool in sway wl-copy wl-paste wtype foot iconv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

# shellcheck source=test_user.sh
. "$(dirname "$0")/test_user.sh"
user=$(id -un)
test_user=""
work=""
cleanup() {
  # Newest first: sway last, whose end also ends the clients it still has
  # (wl-copy keeps one serving the clipboard).
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -z "$work" ] || rm -rf "$work"
  remove_test_user || exit 1
}
pids=()
trap cleanup EXIT
if [ "$(id -u)" -eq 0 ]; then
  make_test_user
  user=$test_user
fi
# setpriv runs the command itself as the user (no parent to outlive it),
# so that the test can end every process it started.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --reuid="$user" --regid="$user" --init-groups -- "$@"; else "$@"; fi
}
# The same in the background; the process is remembered for the end.
start() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --reuid="$user" --regid="$user" --init-groups -- "$@" &
  else "$@" &
  fi
  pids+=($!)
}

work=$(mktemp -d)
run="$work/run"
mkdir -p "$run" "$work/prog" "$work/home"
export HOME=$work/home
chmod 700 "$run"
cp "$program" "$work/prog/folvane"   # its settings file is the one beside it
printf 'output HEADLESS-1 resolution 1280x1024\n' > "$work/sway.conf"
chown -R "$user" "$work"
chmod 755 "$work"

export XDG_RUNTIME_DIR=$run WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
start sway -c "$work/sway.conf" >"$work/sway.log" 2>&1
for _ in $(seq 100); do
  display=$(cd "$run" && ls wayland-* 2>/dev/null | grep -v lock | head -1 || true)
  [ -n "$display" ] && break
  sleep 0.1
done
[ -n "$display" ] || { echo "sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY=$display

# A first start writes the settings file; copy-is-typeset and copy-after are
# then switched on in it, and the update page off (no network here).
# It is ended once the file is there (on a busy machine a fixed time may
# end it before it has written anything).
start bash -c "cd '$work/prog' && exec env QT_QPA_PLATFORM=offscreen ./folvane >/dev/null 2>&1"
first=${pids[-1]}
for _ in $(seq 200); do [ -s "$work/prog/config.ini" ] && break; sleep 0.1; done
[ -s "$work/prog/config.ini" ] || { echo "the first start wrote no config.ini"; exit 1; }
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true
iconv -f gb18030 -t utf-8 "$work/prog/config.ini" |
  sed -e 's/^复制即排版=0/复制即排版=1/' -e 's/^自动拷贝=0/自动拷贝=1/' -e 's/^升级提示=1/升级提示=0/' |
  iconv -f utf-8 -t gb18030 > "$work/config.new"
as_user cp "$work/config.new" "$work/prog/config.ini"

# Waits up to 20 s for `wl-paste` to show $1.
clipboard_becomes() {
  for _ in $(seq 200); do
    [ "$(as_user wl-paste -n 2>/dev/null || true)" = "$1" ] && return 0
    sleep 0.1
  done
  echo "clipboard: [$(as_user wl-paste -n 2>/dev/null || true)], expected [$1]"
  return 1
}

cd "$work/prog"
export SWAYSOCK
SWAYSOCK=$(ls "$run"/sway-ipc.*.sock | head -1)
# Whether sway shows a window titled $1.
# grep -c reads the whole tree: grep -q would stop early and end swaymsg
# with SIGPIPE, which pipefail takes for a failure.
shown() { as_user swaymsg -t get_tree 2>/dev/null | grep -c "\"name\": \"$1\"" >/dev/null; }

start env QT_QPA_PLATFORM=wayland ./folvane >"$work/prog.log" 2>&1
# The "友情提示" boxes of a start with copy-is-typeset on: each is answered
# with Return once it has the focus.
for _ in $(seq 300); do shown "友情提示" && break; sleep 0.1; done
# One box may follow another: done once none has shown for 3 s.
quiet=0
for _ in $(seq 300); do
  if shown "友情提示"; then
    as_user wtype -k Return
    quiet=0
  else
    quiet=$((quiet + 1))
    [ $quiet -ge 10 ] && break
  fi
  sleep 0.3
done
shown "友情提示" && { echo "the start-up messages stay open"; exit 1; }
# Another client in front, with the keyboard focus.
start foot --title=front sleep 120 >"$work/foot.log" 2>&1
for _ in $(seq 300); do shown front && break; sleep 0.1; done
# A headless seat has no keyboard, and clipboard offers go only to the
# client with the keyboard focus: a virtual keyboard stays alive meanwhile.
start wtype -s 40000 -k Shift_L
sleep 0.5

status=0
printf '第一行\n第二行' | as_user wl-copy
clipboard_becomes $'　　第一行\n　　第二行' || status=1
# A single line is only pasted: the clipboard keeps it as copied.
printf '单独一行' | as_user wl-copy
sleep 1.5
clipboard_becomes '单独一行' || status=1
printf '甲段\n乙段' | as_user wl-copy
clipboard_becomes $'　　甲段\n　　乙段' || status=1
[ $status -eq 0 ] || { echo "--- program:"; cat "$work/prog.log"; echo "--- foot:"; cat "$work/foot.log"; }
exit $status
