#!/usr/bin/env bash
# The worst cases per byte of input, measured on the dump tools: peak memory
# (/usr/bin/time's maximum resident set) and time for
#   - a 64 MiB file made only of 8-byte atoms (one node per 8 bytes), quellby-dump;
#   - a 64 MiB AVI whose LIST movi is full of empty 8-byte chunks, tarnwick-dump;
#   - a 64 MiB crafted AVI of 13-byte LISTs of size 5: the 1-byte span of each
#     yields a second chunk whose header is read across the next LIST, so
#     two nodes per 13 bytes, the most a RIFF file gives per byte;
#   - a 96 KiB crafted AVI of 4,096 tiny RIFF chunks, each with a LIST that
#     claims 2 GiB: the first LIST shows all the chunks after it, and none
#     may be walked again from a further top-level RIFF chunk (if they were,
#     the tree would grow with the square of the file's size);
# what running out of memory looks like (address space capped with ulimit -v),
# and the memory budget (VIEWER_MEMORY_BUDGET) stopping a 3 GiB sparse RIFF
# of zeros, every 8 zero bytes of which read as an empty chunk.
#   bench/limits.sh [BUILD-DIR]        (default: build/release)
set -euo pipefail
build="${1:-build/release}"
bin="$build/bin"
for tool in quellby-dump tarnwick-dump; do
  [[ -x "$bin/$tool" ]] || { echo "limits: $bin/$tool is missing; build first" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "limits: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }

work="$(mktemp -d /tmp/viewer-limits-XXXXXX)"
trap 'rm -rf "$work"' EXIT

# Doubles a file n times.
double() {
  local f="$1" n="$2"
  for ((i = 0; i < n; ++i)); do cat "$f" "$f" >"$f.tmp" && mv "$f.tmp" "$f"; done
}

# 8 Mi atoms "free" of 8 bytes: 64 MiB.
printf '\x00\x00\x00\x08free' >"$work/atoms.mp4"
double "$work/atoms.mp4" 23

# RIFF AVI of 64 MiB: header, LIST movi, then 8,388,605 chunks "00dc" of size 0.
printf 'RIFF\xf8\xff\xff\x03AVI LIST\xec\xff\xff\x03movi' >"$work/chunks.avi"
printf '00dc\x00\x00\x00\x00' >"$work/body"
double "$work/body" 23
head -c $((64 * 1024 * 1024 - 24)) "$work/body" >>"$work/chunks.avi"
rm "$work/body"

# RIFF AVI of 64 MiB: header, then LISTs of size 5 ("LIST", 5, "list", one
# byte 'x'; no pad, which the walk takes in its stride) up to the end.
printf 'LIST\x05\x00\x00\x00listx' >"$work/unit"
double "$work/unit" 23
printf 'RIFF\xf8\xff\xff\x03AVI ' >"$work/crafted.avi"
head -c $((64 * 1024 * 1024 - 12)) "$work/unit" >>"$work/crafted.avi"
rm "$work/unit"

# 4,096 units of 24 bytes: RIFF of 16 bytes, AVI, a LIST claiming 0x7FFFFFF0 bytes.
printf 'RIFF\x10\x00\x00\x00AVI LIST\xf0\xff\xff\x7fxxxx' >"$work/square.avi"
double "$work/square.avi" 12

measure() {
  local tool="$1" file="$2" what="$3"
  local bytes nodes kib secs
  bytes=$(stat -c %s "$file")
  nodes=$(/usr/bin/time -o "$work/time" -f '%M %e' "$bin/$tool" "$file" | wc -l)
  read -r kib secs <"$work/time"
  awk -v w="$what" -v t="$tool" -v b="$bytes" -v n="$nodes" -v k="$kib" -v s="$secs" 'BEGIN {
    printf "%s (%s)\n  %.1f MiB in, %d nodes, peak %.0f MiB resident (%.1f bytes per input byte, %.0f per node), %.2f s\n",
           w, t, b / 1048576, n, k / 1024, k * 1024 / b, k * 1024 / n, s }'
}

echo "== worst cases (output to a pipe)"
measure quellby-dump "$work/atoms.mp4" "64 MiB of 8-byte atoms"
measure tarnwick-dump "$work/chunks.avi" "64 MiB AVI of empty 8-byte chunks"
measure tarnwick-dump "$work/crafted.avi" "64 MiB crafted AVI of LISTs of size 5"
measure tarnwick-dump "$work/square.avi" "96 KiB crafted AVI of RIFF chunks with overlong LISTs"

echo "== out of memory (address space capped at 256 MiB)"
for pair in "quellby-dump atoms.mp4" "tarnwick-dump chunks.avi"; do
  set -- $pair
  status=0
  msg=$( (ulimit -v $((256 * 1024)); "$bin/$1" "$work/$2" 2>&1 >/dev/null) ) || status=$?
  echo "$1 $2: exit status $status, message: $msg"
done

echo "== memory budget (VIEWER_MEMORY_BUDGET=256M, 3 GiB sparse RIFF of zeros)"
printf 'RIFF\xf8\xff\xff\xbfAVI ' >"$work/sparse.avi"
truncate -s 3G "$work/sparse.avi"
status=0
msg=$(VIEWER_MEMORY_BUDGET=256M /usr/bin/time -o "$work/time" -f '%M %e' "$bin/tarnwick-dump" "$work/sparse.avi" 2>&1 >/dev/null) || status=$?
read -r kib secs < <(tail -n 1 "$work/time")
awk -v s="$status" -v m="$msg" -v k="$kib" -v t="$secs" 'BEGIN {
  printf "tarnwick-dump sparse.avi: exit status %s, message: %s, peak %.0f MiB resident, %.2f s\n", s, m, k / 1024, t }'
