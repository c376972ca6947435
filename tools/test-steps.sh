# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # variables the sourcing script sets or reads
# Sourced by the scripts that drive the real program (tools/e2e-test,
# tools/wayland-test, tools/gnome-test, tools/kde-test): how they speak and
# fail, how they wait, how they run the session's programs as its user and
# stop them again, and how they read save.db back.
#
# The sourcing script sets what it uses of these:
#   top        the source tree (store/wordlists.tsv for `words`)
#   start      $EPOCHREALTIME where `step` counts its seconds from (unset: no count)
#   work       its scratch folder: the logs `spawn` writes and `show_logs` reads
#   db         the save.db `sql` reads
#   home, session   the session user's home, and every variable its programs get
#   run        the session's runtime folder, where `start_session_bus` puts the bus
#   packages   what `--install` installs
#   app        the program's pid, for `end_program`
# and may define failure_details, whose output `fail` adds to its own, and
# look (a digest of what a window shows), which look_is and look_changed use.

name=$(basename "$0")
# The unprivileged user the desktop sessions run as.
user=vokabo-test
pids=()

# ---- speaking and failing ------------------------------------------------------
step() { echo "$name: $*${start:+ ($(elapsed) s)}"; }
note() { echo "$name:   $*"; }
elapsed() { awk -v s="$start" -v n="$EPOCHREALTIME" 'BEGIN { printf "%.1f", n - s }'; }

# fail is also called from checks whose output is thrown away (wait_for's,
# a command substitution's): it speaks on the script's own error output,
# kept here, and so do the details the script adds.
exec {script_stderr}>&2
fail() {
  failed=yes
  exec 2>&"$script_stderr"
  echo "$name: FAILED: $*" >&2
  if declare -F failure_details >/dev/null; then failure_details >&2 || true; fi
  exit 1
}
show_logs() { # lines log...: the last lines of each log in $work that has any, $log_noise left out
  local lines=$1 log
  shift
  for log; do
    [ -s "$work/$log.log" ] || continue
    echo "--- $log.log"
    if [ -n "${log_noise:-}" ]; then grep -av -e "$log_noise" "$work/$log.log"; else cat "$work/$log.log"; fi |
      tail -n "$lines"
  done
}

# ---- before anything runs --------------------------------------------------------
install_if_asked() { # "$@": with --install, installs $packages and ends the script
  [ "${1:-}" = --install ] || return 0
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${packages[@]}"
  exit
}
need_root() { [ "$(id -u)" -eq 0 ] || { echo "$name: run as root (the session runs as $user)" >&2; exit 2; }; }
need_program() { # path
  [ -x "$1" ] || { echo "$name: no $1; build first" >&2; exit 2; }
}
need_tools() { # hint tool...: each on PATH (or a path that is there), or the hint says how to get it
  local hint=$1 tool
  shift
  for tool; do
    command -v "$tool" >/dev/null || { echo "$name: $tool is missing; $hint" >&2; exit 2; }
  done
}
make_user() { id "$user" >/dev/null 2>&1 || useradd --system --create-home --shell /usr/sbin/nologin "$user"; }

# ---- waiting -------------------------------------------------------------------------
wait_for() { # seconds command...: polls until the command succeeds
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
look_changed() { [ "$(look "${@:2}")" != "$1" ]; } # old-look window [part]
look_is() { [ "$(look "${@:2}")" = "$1" ]; }       # look window [part]

# ---- the session's programs ------------------------------------------------------------
as_user() { setpriv --reuid="$user" --regid="$user" --clear-groups env -i "${session[@]}" "$@"; }
spawn_in() { # folder log command...: as the user from the folder, in a session of its own, output to $work/log.log
  local folder=$1 log=$2
  shift 2
  (cd "$folder" && exec setsid setpriv --reuid="$user" --regid="$user" --clear-groups env -i "${session[@]}" "$@") \
    >"$work/$log.log" 2>&1 &
  pids+=($!)
}
spawn() { spawn_in "$home" "$@"; } # log command...
# Everything started (in pids), the last started first: each process group,
# or the process where it leads none, is asked to end and, after 5 s, made to.
stop_started() {
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM -- "-${pids[i]}" 2>/dev/null || kill -TERM "${pids[i]}" 2>/dev/null || true
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    for _ in $(seq 50); do kill -0 -- "-$pid" 2>/dev/null || kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
end_program() { # expected-status
  local status=0
  wait "$app" || status=$?
  [ "$status" = "$1" ] || fail "the program ended with $status"
  app=
}
start_session_bus() { # at $run/bus
  spawn bus dbus-daemon --session --nofork --nopidfile --address="unix:path=$run/bus"
  wait_for 10 test -S "$run/bus" || fail "the session bus did not start"
}
# Where XWayland has the pointer: "x y". It learns of a move only when the
# compositor gives the pointer to one of its windows.
xwayland_pointer() { as_user xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | tr '\n' ' ' | sed 's/ $//'; }
xwayland_pointer_at() { [ "$(xwayland_pointer)" = "$1 $2" ]; } # x y

# ---- save.db ------------------------------------------------------------------------------
sql() { sqlite3 -batch "$db" "$1"; }
words() { awk -F'\t' -v list="$1" '$1 == list { print $3 }' "$top/store/wordlists.tsv"; } # list: its words in order
# What a free drill over the whole of DUO leaves, every card marked known.
check_all_duo_known() {
  [ "$(sql 'select * from control')" = "DUO|1|30" ] || fail "control after the free drill: $(sql 'select * from control')"
  [ "$(sql 'select word, free, test_w, test_a from DUO order by rowid')" = "$(words DUO | sed 's/$/|1|0|0/')" ] ||
    fail "DUO after the free drill: $(sql 'select * from DUO')"
}
