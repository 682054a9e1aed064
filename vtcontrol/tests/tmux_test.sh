#!/usr/bin/env bash
# Runs tmux_probe inside a detached tmux session on a private server and
# checks its findings against the pane's real size and colours.
# Exit 77 (skipped) when tmux is not installed.
set -u
probe=$1
command -v tmux >/dev/null 2>&1 || { echo "tmux not installed: skipping"; exit 77; }

# Replies must arrive within half a second; a heavily loaded machine can miss
# that once, so a failed run is tried a second time.
if [ -z "${QUIRE_TMUX_ATTEMPT:-}" ]; then
  QUIRE_TMUX_ATTEMPT=1 bash "$0" "$@" && exit 0
  echo "second attempt"
  QUIRE_TMUX_ATTEMPT=2 exec bash "$0" "$@"
fi

work=$(mktemp -d)
socket=$work/socket
report=$work/report
tm() { tmux -S "$socket" -f /dev/null "$@"; }
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

# The pane waits until its colours are set, runs the probe, then reports back.
# tmux remembers a signal sent before anyone waits, so the order cannot race.
pane_command="tmux -S '$socket' wait-for go; '$probe' '$report'; tmux -S '$socket' wait-for -S done"
tm new-session -d -s probe -x 100 -y 30 "$pane_command" || { echo "tmux failed to start"; exit 1; }
tm select-pane -t probe -P 'bg=#1a2b3c,fg=#ddeeff'
read -r rows columns < <(tm display-message -p -t probe '#{pane_height} #{pane_width}')
tm wait-for -S go
if ! timeout 30 tmux -S "$socket" wait-for done; then
  echo "probe did not finish"
  exit 1
fi

status=0
expect() {
  local line
  line=$(grep "^$1=" "$report" 2>/dev/null)
  if [ "$line" != "$1=$2" ]; then
    echo "FAIL: $1: expected '$2', got '${line#*=}'"
    status=1
  else
    echo "ok: $line"
  fi
}
expect ansi 1
expect color 1
expect size "$rows,$columns"
expect cursor "4,9"
expect fg "dddd,eeee,ffff"
expect bg "1a1a,2b2b,3c3c"
expect end 1
exit $status
