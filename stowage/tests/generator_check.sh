#!/bin/sh
# The generator's failures and what it registers, without compiling anything.
#   generator_check.sh QUIRE_STOWAGE_GEN
set -eu
gen=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "generator_check: $*" >&2; exit 1; }
run() {  # run KIND ARGS...: generate N into out/
  kind=$1; shift
  "$gen" "$kind" --name N --include embedded/N.hpp --header out/N.hpp --source out/N.cpp \
    --data-source out/N_data.cpp --depfile out/N.d -- "$@"
}
mkdir -p d sub
echo one >d/present1; echo two >d/present2
printf '\377\376' >latin1.txt

run one-file-of "$work/sub/missing" "$work/d/present1" "$work/d/present2"
grep -q "present1" out/N.d || fail "the chosen file is not registered"
! grep -q "present2" out/N.d || fail "a later candidate is registered"
grep -q "$work/sub " out/N.d || grep -q "$work/sub\$" out/N.d || fail "the missing candidate's directory is not watched"
grep -q '"one\\012"' out/N.cpp || fail "the chosen file is not the first existing one"

run file-if-exists "$work/nowhere/missing"
grep -q "std::nullopt" out/N.cpp || fail "a missing file is not absent"
! grep -q "nowhere" out/N.d || fail "a missing file is registered"

if run one-string-file-of "$work/a" "$work/b" 2>err; then fail "no candidate accepted"; fi
grep -q "quire-stowage-gen: Cannot find file to embed as resource$" err || fail "message: $(cat err)"
if run string-file "$work/latin1.txt" 2>err; then fail "invalid UTF-8 accepted as text"; fi
grep -q "not valid UTF-8" err || fail "message: $(cat err)"
if run file "$work/missing" 2>err; then fail "a missing file accepted"; fi
grep -q "No such file" err || fail "message: $(cat err)"
if run dummy-space 12x 2>err; then fail "a bad capacity accepted"; fi

# Unchanged inputs leave every output untouched, so the build does nothing.
run file "$work/d/present1"
before=$(ls -l --time-style=full-iso out)
sleep 1
run file "$work/d/present1"
[ "$(ls -l --time-style=full-iso out | grep -v 'N\.d$')" = "$(echo "$before" | grep -v 'N\.d$')" ] ||
  fail "a rerun rewrote unchanged outputs"
echo "generator_check: ok"
