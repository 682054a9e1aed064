#!/bin/sh
# Builds the probe project with the generator of this build tree, then
# checks its embedded values, injects payloads with quire-inject and reads
# them back, and (plain variant) checks what a change rebuilds.
#   build_check.sh plain|hardened|folded IMPORTS QUIRE_INJECT [SANITIZERS]
# hardened: -O2 -flto, separate data sections collected by the linker,
# identical code folding (gold --icf=all) and a stripped executable.
# folded: lld's --icf=all, which folds identical read-only data as well.
set -eu
variant=$1 imports=$2 inject=$3 sanitize=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
# STOWAGE_CHECK_DIR keeps the work for a look afterwards.
if [ -n "${STOWAGE_CHECK_DIR:-}" ]; then
  work=$STOWAGE_CHECK_DIR; rm -rf "$work"; mkdir -p "$work"
else
  work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fi
data=$work/data build=$work/build

fail() { echo "build_check ($variant): $*" >&2; exit 1; }

mkdir -p "$data/later" "$data/tree/c" "$data/tree/.git" "$data/tree/a"
printf 'a\000"\\?\n??=\377\200 end' >"$data/small.bin"
head -c 300000 /dev/urandom >"$data/big.bin"
: >"$data/empty"
printf 'gr\303\266\303\237e\n' >"$data/text.txt"
echo b >"$data/tree/b"; echo x >"$data/tree/a/x"; echo a-b >"$data/tree/a-b"
head -c 10000 /dev/urandom >"$data/tree/c/z"
echo secret >"$data/tree/.env"; echo cfg >"$data/tree/.git/config"
ln -s . "$data/tree/c/loop"          # a loop back into the tree
ln -s c "$data/tree/linked"          # a second way into c
ln -s nowhere "$data/tree/dangling"  # skipped

case $variant in
  plain) flags="-O2" link="" ;;
  hardened) flags="-O2 -flto -ffunction-sections -fdata-sections"
            link="-fuse-ld=gold -Wl,--icf=all -Wl,--gc-sections -flto" ;;
  folded) flags="-O2 -ffunction-sections -fdata-sections"
          link="-fuse-ld=lld -Wl,--icf=all -Wl,--gc-sections" ;;
  *) fail "unknown variant" ;;
esac
# A library built with sanitizers needs them in the program too.
if [ -n "$sanitize" ]; then
  flags="$flags -fsanitize=$sanitize" link="$link -fsanitize=$sanitize"
fi
cmake -S "$here/project" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$link" \
  -DSTOWAGE_IMPORTS="$imports" -DDATA="$data" >"$work/log" 2>&1 || { cat "$work/log"; fail "configure"; }
cmake --build "$build" >"$work/log" 2>&1 || { cat "$work/log"; fail "build"; }
probe=$build/probe

listing=$("$probe" check) || fail "embedded values differ from the files"
[ "$(echo $listing)" = "a-b a/x b c/z" ] || fail "tree order: $listing"

zeros() { head -c "$1" /dev/zero | tr '\000' 0; }
[ "$("$probe" areas)" = "A=$(zeros 64)
B=$(zeros 64)
D=$(zeros 16)" ] || fail "fresh areas: $("$probe" areas)"

if [ "$variant" != plain ]; then
  strip "$probe"
  "$probe" check >/dev/null || fail "stripped program"
fi

# Inject into one area, then the others, and read each back.
size=$(wc -c <"$probe")
printf 'payload for A' >"$work/a"
"$inject" --suffix AA "$work/a" "$probe"
[ "$(wc -c <"$probe")" = "$size" ] || fail "injection changed the file length"
[ -x "$probe" ] || fail "injection lost the executable bit"
[ "$("$probe" areas)" = "A=payload for A
B=$(zeros 64)
D=$(zeros 16)" ] || fail "after injecting A: $("$probe" areas)"
printf 'default!' >"$work/d"
"$inject" "$work/d" "$probe" -o "$work/copy"
[ "$("$work/copy" areas | tail -1)" = "D=default!" ] || fail "injecting the default area into a copy"
head -c 65 /dev/zero >"$work/big"
cp "$probe" "$work/before"
if "$inject" --suffix BB "$work/big" "$probe" 2>"$work/err"; then fail "oversized payload accepted"; fi
grep -q "Insufficient dummy space" "$work/err" || fail "message: $(cat "$work/err")"
cmp -s "$probe" "$work/before" || fail "a refused injection changed the program"
if "$inject" --suffix ZZ "$work/a" "$probe" 2>"$work/err"; then fail "missing marker accepted"; fi
grep -qF 'Your dummy space has been corrupted. Size is: ""' "$work/err" || fail "message: $(cat "$work/err")"
[ "$(ls -A "$build" | grep -c '\.tmp-')" = 0 ] || fail "temporary files left behind"

if [ "$variant" != plain ]; then echo "build_check ($variant): ok"; exit 0; fi

# Rebuilds: nothing to do when nothing changed; a touched file rebuilds its
# own object and the link, nothing else; a new file in a tree regenerates it.
ninja -C "$build" -n | grep -q "no work to do" || fail "a second build has work: $(ninja -C "$build" -n)"
touch "$data/big.bin"
# A dry run cannot know that the regenerated header stays the same, so
# look at what a real build does.
ninja -C "$build" -d explain >"$work/plan" 2>&1
grep -q "Building CXX object.*BIG_data.cpp.o" "$work/plan" || fail "touching big.bin does not rebuild its object"
if grep -Eq "Building CXX object.*(main|other|SMALL|TREE|BIG)\.cpp\.o" "$work/plan"; then
  fail "touching big.bin rebuilds unrelated objects: $(cat "$work/plan")"
fi
ninja -C "$build" -n | grep -q "no work to do" || fail "work left after a rebuild"
# A new file beside a missing candidate of ONE reruns its generator, which
# writes the same pair, so nothing is compiled.
touch "$data/unrelated"
ninja -C "$build" >"$work/plan" 2>&1
if grep -q "Building CXX object" "$work/plan"; then fail "an unrelated file recompiled: $(cat "$work/plan")"; fi
echo new >"$data/tree/c/new"
echo later >"$data/later/maybe.txt"
ninja -C "$build" >/dev/null || fail "rebuild after adding files"
listing=$("$probe" check) || fail "embedded values after adding a file"
[ "$(echo $listing)" = "a-b a/x b c/new c/z" ] || fail "tree not re-read: $listing"
[ "$("$probe" later)" = later ] || fail "a file that appeared later is not embedded"
echo "build_check ($variant): ok"
