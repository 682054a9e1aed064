#!/usr/bin/env bash
# Queries must never leave a mark on the user's terminal. A real terminal (a
# tmux pane running an interactive shell) runs tmux_probe in the ways a user
# would, and this script checks what the user would see afterwards:
#   - input from a pipe or /dev/null: no request written, so no reply leaks
#     to the shell prompt, and the queries answer at once;
#   - output to a file: no request lands in the file;
#   - Ctrl-C and Ctrl-Z while a query waits: `stty -a` is as it was before.
# Exit 77 (skipped) when tmux is not installed.
set -u
probe=$1
command -v tmux >/dev/null 2>&1 || { echo "tmux not installed: skipping"; exit 77; }

work=$(mktemp -d)
socket=$work/socket
tm() { tmux -S "$socket" -f /dev/null "$@"; }
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

# A pane without colours: tmux answers its cursor reports but never its
# colour queries, which is the terminal that does not answer.
tm new-session -d -s safety -x 100 -y 40 "env PS1='$ ' sh -i" || { echo "tmux failed to start"; exit 1; }
status=0
fail() { echo "FAIL: $*"; status=1; }
ok() { echo "ok: $*"; }

# Types a command line and waits until the shell has run it.
run() {
  tm send-keys -t safety -l "$1; tmux -S '$socket' wait-for -S step"
  tm send-keys -t safety Enter
  timeout 30 tmux -S "$socket" wait-for step || { fail "'$1' did not finish"; exit 1; }
}
# Waits until a file holds a line.
await_line() {
  for _ in $(seq 100); do grep -qx "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "no '$2' in $1"; exit 1
}
# Starts the probe's endless unanswered queries and waits until it asks.
start_hanging() {
  tm send-keys -t safety -l "'$probe' --hang '$work/$1'"
  tm send-keys -t safety Enter
  await_line "$work/$1" asking
  sleep 0.3
}
settings_as_before() {
  if cmp -s "$work/before" "$work/$1"; then ok "settings back $2"; else
    fail "settings changed $2:"; diff "$work/before" "$work/$1"; fi
}
value() { sed -n "s/^$2=//p" "$1" 2>/dev/null; }
answered_at_once() {
  local file=$1 what=$2
  if [ "$(value "$file" end)" != 1 ]; then fail "$what: probe did not finish"; return; fi
  if [ "$(value "$file" answered)" != 0 ]; then fail "$what: a query was answered"; fi
  if [ "$(value "$file" ms)" -ge 300 ]; then
    fail "$what: queries waited $(value "$file" ms) ms"
  else
    ok "$what: absent at once ($(value "$file" ms) ms)"
  fi
}

run "stty -a > '$work/before'"

run "echo x | '$probe' --quick '$work/pipe'"
answered_at_once "$work/pipe" "input from a pipe"
run "'$probe' --quick '$work/null' < /dev/null"
answered_at_once "$work/null" "input from /dev/null"
run "sleep 2 | '$probe' --quick '$work/slow'"
answered_at_once "$work/slow" "input from a slow pipe"
run "'$probe' --quick '$work/file-report' > '$work/out'"
answered_at_once "$work/file-report" "output to a file"
if [ -s "$work/out" ]; then fail "output to a file: the file holds $(od -c "$work/out" | head -2)"; else
  ok "output to a file: nothing written"; fi

# Any reply the terminal sent would be echoed and then sit at the prompt.
sleep 0.5
run "echo leak-check"
if tm capture-pane -p -t safety | grep -E '\[[0-9]+;[0-9]+R|rgb:' >/dev/null; then
  fail "a terminal reply leaked to the shell:"; tm capture-pane -p -t safety
else
  ok "no reply leaked to the prompt"
fi

# Ctrl-C in the middle of an unanswered query.
start_hanging hang
tm send-keys -t safety C-c
run "echo status=\$? > '$work/interrupted'; stty -a > '$work/after-int'"
if [ "$(value "$work/interrupted" status)" = 130 ]; then ok "Ctrl-C ended the program"; else
  fail "Ctrl-C: exit status $(value "$work/interrupted" status), expected 130"; fi
settings_as_before after-int "after Ctrl-C"

# Ctrl-Z stops the program with the settings back; fg resumes it, Ctrl-C ends it.
start_hanging stop
tm send-keys -t safety C-z
run "stty -a > '$work/after-stop'"
settings_as_before after-stop "while stopped by Ctrl-Z"
tm send-keys -t safety -l "fg"
tm send-keys -t safety Enter
sleep 1
tm send-keys -t safety C-c
run "stty -a > '$work/after-resume'"
settings_as_before after-resume "after fg and Ctrl-C"
exit $status
