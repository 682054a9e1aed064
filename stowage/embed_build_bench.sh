#!/bin/sh
# Build cost of embedding one large file: the generator plus compiling what
# it writes, against `xxd -i` plus compiling its array. Prints the wall time
# and peak memory of each compile as /usr/bin/time -v reports them.
#   embed_build_bench.sh GENERATOR SOURCE_ROOT GENERATED_DIR MEGABYTES [xxd]
set -eu
gen=$1 root=$2 generated=$3 mb=$4 peer=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c $((mb * 1024 * 1024)) /dev/urandom >"$work/blob.bin"

measure() {  # measure LABEL COMMAND...
  label=$1; shift
  /usr/bin/time -v "$@" 2>"$work/time" >/dev/null
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time")
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
  printf '%-34s %10s s  %8d MB peak\n' "$label" "$wall" $((peak / 1024))
}

cd "$work"
measure "stowage generator (${mb} MB)" "$gen" file --name BLOB --include embedded/BLOB.hpp \
  --header include/embedded/BLOB.hpp --source BLOB.cpp --data-source BLOB_data.cpp --depfile BLOB.d \
  -- "$work/blob.bin"
measure "stowage data unit -O2 (${mb} MB)" g++ -std=c++20 -O2 -c BLOB_data.cpp -o BLOB_data.o
measure "stowage accessor unit -O2" g++ -std=c++20 -O2 -c -I"$root" -I"$generated" -Iinclude \
  BLOB.cpp -o BLOB.o
if [ "$peer" = xxd ]; then
  measure "xxd -i (${mb} MB)" sh -c "xxd -i blob.bin >blob.cpp"
  measure "xxd array compile -O2 (${mb} MB)" g++ -std=c++20 -O2 -c blob.cpp -o blob.o
fi
