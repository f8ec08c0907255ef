#!/usr/bin/env bash
# The tips of copy-is-typeset in a Wayland session: headless sway on a
# session bus of the test's own (dbus-run-session), Folvane with
# copy-is-typeset and "排版后拷贝" on, another client (foot) in front.
# 1. A text already on the clipboard when the program starts is left alone:
#    the first copy afterwards is the only run (one working tip).
# 2. With a notification service (notification_service) the tips reach it
#    as Notify calls from "Folvane", and the keyboard focus stays in foot.
# 3. Without one, the tip is no window of its own: sway shows no other
#    window of the program, and the focus stays in foot.
# sway refuses to run as root: as root, everything runs as a system user of
# the test's own (test_user.sh), from a copy in the test's folder.
# Usage: tips_sway.sh PROGRAM NOTIFICATION-SERVICE
set -euo pipefail

if [ "${1:-}" != --on-bus ]; then
  program=$1 service=$2
  for tool in sway wl-copy wl-paste wtype foot swaymsg dbus-run-session iconv setpriv; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  # shellcheck source=test_user.sh
  . "$(dirname "$0")/test_user.sh"
  work=$(mktemp -d)
  test_user=""
  cleanup() {
    rm -rf "$work"
    remove_test_user || exit 1
  }
  trap cleanup EXIT
  mkdir -p "$work/prog" "$work/home"
  cp "$program" "$work/prog/folvane"   # its settings file is the one beside it
  cp "$service" "$work/notification_service"
  cp "$0" "$work/tips_sway.sh"
  chmod 755 "$work" "$work/tips_sway.sh"
  status=0
  if [ "$(id -u)" -eq 0 ]; then
    make_test_user
    chown -R "$test_user" "$work"
    setpriv --reuid="$test_user" --regid="$test_user" --init-groups -- env HOME="$work/home" \
      dbus-run-session -- "$work/tips_sway.sh" --on-bus "$work" || status=$?
  else
    HOME=$work/home dbus-run-session -- "$work/tips_sway.sh" --on-bus "$work" || status=$?
  fi
  exit $status
fi

work=$2
cd "$work"
run=$work/run
mkdir -p "$run"
chmod 700 "$run"
export XDG_RUNTIME_DIR=$run WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_CURRENT_DESKTOP

pids=()
start() {
  "$@" &
  pids+=($!)
}
cleanup() {
  # Newest first: sway last, whose end also ends the clients it still has.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
# Waits up to 20 s for the command $@ to succeed.
await() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  return 1
}
show_logs() {
  for log in prog service; do echo "--- $log:"; cat "$work/$log.log" 2>/dev/null || true; done
}

printf 'output HEADLESS-1 resolution 1280x1024\n' > "$work/sway.conf"
start sway -c "$work/sway.conf" >"$work/sway.log" 2>&1
display=""
wayland_up() {
  display=$(cd "$run" && ls wayland-* 2>/dev/null | grep -v lock | head -1 || true)
  [ -n "$display" ]
}
await wayland_up || { echo "sway did not start"; cat "$work/sway.log"; exit 1; }
export WAYLAND_DISPLAY=$display
export SWAYSOCK
SWAYSOCK=$(ls "$run"/sway-ipc.*.sock | head -1)
# grep -c reads the whole tree: grep -q would stop early and end swaymsg
# with SIGPIPE, which pipefail takes for a failure.
shown() { swaymsg -t get_tree 2>/dev/null | grep -c "\"name\": \"$1\"" >/dev/null; }
# The name of the window with the keyboard focus: in sway's tree a node's
# "focused" comes before its "name" (the rectangles between hold none).
# awk reads the whole tree: leaving early would end swaymsg with SIGPIPE,
# which pipefail turns into a failure of the caller.
focused() {
  swaymsg -t get_tree 2>/dev/null |
    awk '/"focused": true/ { f = 1 } f && !done && /"name":/ { sub(/.*"name": "/, ""); sub(/",?$/, ""); print; done = 1 }' ||
    true
}
# How many windows of the program sway shows.
program_windows() { swaymsg -t get_tree 2>/dev/null | grep -c '"app_id": "folvane"' || true; }

# A first start writes the settings file; copy-is-typeset and copy-after
# are then switched on in it, and the update page off.
(cd "$work/prog" && exec env QT_QPA_PLATFORM=offscreen ./folvane >/dev/null 2>&1) &
first=$!
pids+=("$first")
await test -s "$work/prog/config.ini" || { echo "the first start wrote no config.ini"; exit 1; }
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true
iconv -f gb18030 -t utf-8 "$work/prog/config.ini" > "$work/config.utf8"
for key in 复制即排版 自动拷贝 升级提示; do
  grep -q "^$key=" "$work/config.utf8" || { echo "config.ini has no $key"; exit 1; }
done
sed -e 's/^复制即排版=0/复制即排版=1/' -e 's/^自动拷贝=0/自动拷贝=1/' -e 's/^升级提示=1/升级提示=0/' "$work/config.utf8" |
  iconv -f utf-8 -t gb18030 > "$work/prog/config.ini"

start "$work/notification_service" >"$work/service.log" 2>&1
service_pid=$!
await grep -q '^ready' "$work/service.log" || { echo "the notification service did not start"; exit 1; }

# A virtual keyboard kept alive (a headless seat has none, and the clipboard
# needs a seat with one), and a text on the clipboard before the start.
start wtype -s 120000 -k Shift_L
sleep 0.5
printf '启动前\n已在剪贴板' | wl-copy
clip_is() { [ "$(wl-paste -n 2>/dev/null || true)" = "$1" ]; }
await clip_is $'启动前\n已在剪贴板' || { echo "wl-copy did not take"; exit 1; }

(cd "$work/prog" && exec env QT_QPA_PLATFORM=wayland ./folvane >"$work/prog.log" 2>&1) &
pids+=($!)
# The "友情提示" boxes of a start with copy-is-typeset on: each is answered
# with Return once it has the focus; done once none has shown for 3 s.
await shown "友情提示" || { echo "no start-up message"; show_logs; exit 1; }
quiet=0
for _ in $(seq 300); do
  if shown "友情提示"; then
    wtype -k Return
    quiet=0
  else
    quiet=$((quiet + 1))
    [ $quiet -ge 10 ] && break
  fi
  sleep 0.3
done
shown "友情提示" && { echo "the start-up messages stay open"; exit 1; }

start foot --title=front sleep 200 >"$work/foot.log" 2>&1
await shown front || { echo "foot did not show"; exit 1; }
swaymsg '[title="^front$"] focus' >/dev/null
front_focused() { [ "$(focused)" = front ]; }
await front_focused || { echo "foot has not got the focus: $(focused)"; exit 1; }
windows=$(program_windows)

status=0
clipboard_becomes() {
  if ! await clip_is "$1"; then
    echo "clipboard: [$(wl-paste -n 2>/dev/null || true)], expected [$1]"
    return 1
  fi
}
# The focus and the windows right after a tip.
focus_kept() {
  local now
  now=$(focused)
  [ "$now" = front ] || { echo "$1: the focus went to [$now]"; status=1; }
  now=$(program_windows)
  [ "$now" = "$windows" ] || { echo "$1: the program shows $now windows, $windows before"; status=1; }
}

# 1 and 2: with the service.
printf '第一行\n第二行' | wl-copy
clipboard_becomes $'　　第一行\n　　第二行' || status=1
focus_kept "with the service"
done_line='notify app=[Folvane] replaces=* timeout=3000 body=[提示：\n已成功排版，直接粘贴即可提取。]'
has_done() { grep -qF 'body=[提示：\n已成功排版，直接粘贴即可提取。]' "$work/service.log"; }
await has_done || { echo "no Notify like: $done_line"; status=1; }
grep -q '^notify app=\[Folvane\] replaces=0 timeout=3000 body=\[排版中，请稍候……\]' "$work/service.log" ||
  { echo "no working tip"; status=1; }
working=$(grep -c 'body=\[排版中，请稍候……\]' "$work/service.log" || true)
[ "$working" = 1 ] || { echo "$working runs, one expected: the text copied before the start was typeset"; status=1; }

# 3: the service gone.
kill "$service_pid"
wait "$service_pid" 2>/dev/null || true
printf '甲段\n乙段' | wl-copy
clipboard_becomes $'　　甲段\n　　乙段' || status=1
focus_kept "without a service"

[ $status -eq 0 ] && echo "tips: through the service, then without a window of their own; the focus stayed" || show_logs
exit $status
