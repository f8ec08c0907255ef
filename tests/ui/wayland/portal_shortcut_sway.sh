#!/usr/bin/env bash
# ALT+Q through the desktop portal's global shortcuts in a Wayland session.
# On a session bus of the test's own (dbus-run-session): Debian's portal
# front end (xdg-desktop-portal), which finds the test back end
# (portal_backend) through a .portal file in XDG_DESKTOP_PORTAL_DIR matched
# by XDG_CURRENT_DESKTOP; Folvane under headless sway with one-click
# typesetting and "排版后拷贝" on, another client (foot) in front.
# 1. A back end that refuses the bind: the program says so on stderr and
#    goes on.
# 2. A back end that grants it: the program binds ALT+q and SHIFT+F12, and
#    when the back end reports ALT+Q pressed, the clipboard (set with
#    wl-copy) is typeset: wl-paste shows the result.
# sway refuses to run as root: as root, everything runs as a system user of
# the test's own (test_user.sh). What that user runs, this script too, is
# copied into the test's folder first: the source tree may lie in a folder
# it cannot enter.
# Usage: portal_shortcut_sway.sh PROGRAM BACKEND
set -euo pipefail
frontend=/usr/libexec/xdg-desktop-portal
busname=org.freedesktop.impl.portal.desktop.folvanetest

if [ "${1:-}" != --on-bus ]; then
  program=$1 backend=$2
  for tool in sway wl-copy wl-paste wtype foot swaymsg dbus-run-session dbus-send iconv setpriv; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  [ -x "$frontend" ] || { echo "SKIP: $frontend is not installed (package xdg-desktop-portal)"; exit 77; }
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
  cp "$backend" "$work/portal_backend"
  cp "$0" "$work/portal_shortcut_sway.sh"
  chmod 755 "$work" "$work/portal_shortcut_sway.sh"
  status=0
  if [ "$(id -u)" -eq 0 ]; then
    make_test_user
    chown -R "$test_user" "$work"
    setpriv --reuid="$test_user" --regid="$test_user" --init-groups -- env HOME="$work/home" \
      dbus-run-session -- "$work/portal_shortcut_sway.sh" --on-bus "$work" || status=$?
  else
    HOME=$work/home dbus-run-session -- "$work/portal_shortcut_sway.sh" --on-bus "$work" || status=$?
  fi
  exit $status
fi

# On the test's own bus, as an ordinary user, in a folder it may enter (the
# build folder it was started from may be private).
work=$2
cd "$work"
run=$work/run
mkdir -p "$run" "$work/portals"
chmod 700 "$run"
export XDG_RUNTIME_DIR=$run WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_CURRENT_DESKTOP

pids=()
start() {
  "$@" &
  pids+=($!)
}
# Ends the process $1 started by `start` and waits for it.
stop() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
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

printf '[portal]\nDBusName=%s\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=folvanetest\n' \
  "$busname" > "$work/portals/folvanetest.portal"
printf 'output HEADLESS-1 resolution 1280x1024\n' > "$work/sway.conf"
# MONITOR=FILE records the bus traffic, for looking into a failure.
if [ -n "${MONITOR:-}" ]; then start dbus-monitor --session >"$MONITOR" 2>&1; fi
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

# A first start writes the settings file; one-click typesetting and
# copy-after are then switched on in it, and the update page off.
# It is ended once the file is there (on a busy machine a fixed time may
# end it before it has written anything).
(cd "$work/prog" && exec env QT_QPA_PLATFORM=offscreen ./folvane >/dev/null 2>&1) &
first=$!
pids+=("$first")
await test -s "$work/prog/config.ini" || { echo "the first start wrote no config.ini"; exit 1; }
stop "$first"
iconv -f gb18030 -t utf-8 "$work/prog/config.ini" > "$work/config.utf8"
for key in 一键排版 自动拷贝 升级提示; do
  grep -q "^$key=" "$work/config.utf8" || { echo "config.ini has no $key"; exit 1; }
done
sed -e 's/^一键排版=0/一键排版=1/' -e 's/^自动拷贝=0/自动拷贝=1/' -e 's/^升级提示=1/升级提示=0/' "$work/config.utf8" |
  iconv -f utf-8 -t gb18030 > "$work/prog/config.ini"

# The back end (its log says what it was asked), the front end once the back
# end is on the bus, the program once the front end is.
backend_pid="" frontend_pid="" program_pid=""
has_owner() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}
start_all() {
  start "$work/portal_backend" "$busname" "$@" >"$work/backend.log" 2>&1
  backend_pid=$!
  await grep -q '^ready' "$work/backend.log" || { echo "the back end did not start"; exit 1; }
  start env XDG_DESKTOP_PORTAL_DIR="$work/portals" XDG_CURRENT_DESKTOP=folvanetest "$frontend" --verbose \
    >"$work/frontend.log" 2>&1
  frontend_pid=$!
  await has_owner org.freedesktop.portal.Desktop || { echo "the front end did not start"; exit 1; }
  (cd "$work/prog" && exec env QT_QPA_PLATFORM=wayland QT_LOGGING_RULES="folvane.portal.debug=true" ./folvane \
    >"$work/prog.log" 2>&1) &
  program_pid=$!
  pids+=("$program_pid")
  # With one-click typesetting on, the start shows "一键排版快捷键: ALT+Q" in
  # a "友情提示" box: it is answered with Return once it has the focus.
  await shown "友情提示" || { echo "no start-up message"; show_logs; exit 1; }
  quiet=0
  for _ in $(seq 100); do
    if shown "友情提示"; then
      wtype -k Return
      quiet=0
    else
      quiet=$((quiet + 1))
      [ $quiet -ge 5 ] && break
    fi
    sleep 0.3
  done
  shown "友情提示" && { echo "the start-up message stays open"; exit 1; }
  # Another client in front, with the keyboard focus.
  swaymsg '[title="^front$"] focus' >/dev/null
}
stop_all() {
  stop "$program_pid"
  stop "$frontend_pid"
  stop "$backend_pid"
}
show_logs() {
  for log in prog backend frontend; do echo "--- $log:"; cat "$work/$log.log"; done
}

# Another client, put in front after each start, and a virtual keyboard kept
# alive: a headless seat has none, and the clipboard needs a seat with one.
start foot --title=front sleep 200 >"$work/foot.log" 2>&1
await shown front || { echo "foot did not show"; exit 1; }
start wtype -s 60000 -k Shift_L

status=0
# 1. The bind refused.
start_all --refuse
if ! await grep -q '^refused' "$work/backend.log" || ! await grep -q '桌面门户拒绝了全局快捷键' "$work/prog.log"; then
  echo "a refused bind was not reported"
  show_logs
  status=1
fi
stop_all
echo "refused bind: reported"

# 2. The bind granted, ALT+Q pressed.
start_all
if ! await grep -q '^bound typeset-clipboard=ALT+q show-hide=SHIFT+F12' "$work/backend.log"; then
  echo "the shortcuts were not bound"
  show_logs
  exit 1
fi
await grep -q 'bound "typeset-clipboard"' "$work/prog.log" || { echo "the program did not hear the bind"; show_logs; exit 1; }
printf '第一行\n第二行' | wl-copy
sleep 1
# Untouched until the shortcut is pressed (one-click is not copy-is-typeset).
[ "$(wl-paste -n)" = $'第一行\n第二行' ] || { echo "the copy changed before the press"; status=1; }
dbus-send --session --print-reply --dest="$busname" /org/folvane/PortalTest org.folvane.PortalTest.Press \
  string:typeset-clipboard >/dev/null
typeset_done() { [ "$(wl-paste -n 2>/dev/null || true)" = $'　　第一行\n　　第二行' ]; }
if ! await typeset_done; then
  echo "clipboard: [$(wl-paste -n 2>/dev/null || true)], expected the typeset text"
  status=1
fi
# SHIFT+F12 through the portal: the main window leaves the screen.
main_shown() { swaymsg -t get_tree 2>/dev/null | grep -c '"name": "[^"]*FOLVANE[^"]*"' >/dev/null; }
main_shown || { echo "the main window is not on the screen"; status=1; }
dbus-send --session --print-reply --dest="$busname" /org/folvane/PortalTest org.folvane.PortalTest.Press \
  string:show-hide >/dev/null
main_hidden() { ! main_shown; }
await main_hidden || { echo "SHIFT+F12 through the portal left the window on the screen"; status=1; }
[ $status -eq 0 ] && echo "ALT+Q and SHIFT+F12 through the portal: clipboard typeset, window hidden" || show_logs
exit $status
