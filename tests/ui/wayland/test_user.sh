# Sourced by the Wayland tests. sway refuses to run as root, so a test run
# as root runs its programs as a system user of its own, made here with a
# name no other run uses, and removed at the end with every process it still
# has (wl-copy leaves one serving the clipboard): all of them are the test's.

# Sets test_user to the new user.
make_test_user() {
  test_user=folvane-test-$$
  useradd --system --no-create-home --shell /usr/sbin/nologin "$test_user"
}

# Ends the processes of test_user, then removes it; says so and fails when
# it cannot.
remove_test_user() {
  [ -n "${test_user:-}" ] || return 0
  local uid pids sig
  uid=$(id -u "$test_user" 2>/dev/null) || return 0
  for sig in TERM KILL; do
    for _ in $(seq 50); do
      pids=$(pgrep -u "$uid" || true)
      [ -z "$pids" ] && break
      # shellcheck disable=SC2086
      kill -s "$sig" $pids 2>/dev/null || true
      sleep 0.1
    done
  done
  if ! userdel "$test_user"; then
    echo "the test user $test_user could not be removed" >&2
    return 1
  fi
  test_user=""
}
