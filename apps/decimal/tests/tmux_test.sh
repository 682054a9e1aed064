#!/bin/sh
# In a terminal the report is coloured and fits the pane; through a pipe it
# carries no escape codes. Runs quire-decimal in a detached tmux pane on a
# private server; `tmux wait-for` tells when each run has finished.
set -eu
exe=$1
command -v tmux >/dev/null 2>&1 || { echo "tmux not installed; skipped"; exit 77; }

dir=$(mktemp -d)
socket="quire-decimal-$$"
tmux="tmux -L $socket -f /dev/null"
trap '$tmux kill-server >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT

width=72
# The pane stays open after the runs (cat waits on the terminal), so its
# contents can be captured; no sleeping anywhere.
$tmux new-session -d -x "$width" -y 50 \
  "$exe; $tmux wait-for -S terminal-done; $exe | cat > '$dir/piped'; $tmux wait-for -S pipe-done; cat"
$tmux wait-for terminal-done
$tmux wait-for pipe-done

$tmux capture-pane -p -e -J -S - > "$dir/colored"
$tmux capture-pane -p -J -S - > "$dir/plain"

fail=0
if ! grep -q "$(printf '\033')\[" "$dir/colored"; then
  echo "FAIL: no colour in the terminal"; fail=1
fi
if ! grep -q "numbers:" "$dir/plain"; then
  echo "FAIL: no summary line in the terminal"; fail=1
fi
# Joined (-J) lines longer than the pane were wrapped by the terminal.
long=$(sed 's/[[:space:]]*$//' "$dir/plain" | awk -v w="$width" 'length($0) > w' | head -n 3)
if [ -n "$long" ]; then
  echo "FAIL: lines wider than the pane ($width):"; echo "$long"; fail=1
fi
if grep -q "$(printf '\033')" "$dir/piped"; then
  echo "FAIL: escape codes through a pipe"; fail=1
fi
if ! grep -q "numbers:" "$dir/piped"; then
  echo "FAIL: the piped run printed no summary"; fail=1
fi
long=$(awk 'length($0) > 80' "$dir/piped" | head -n 3)
if [ -n "$long" ]; then
  echo "FAIL: piped lines wider than 80:"; echo "$long"; fail=1
fi
[ "$fail" -eq 0 ] && echo "ok: coloured and $width columns in the pane, plain through a pipe"
exit "$fail"
