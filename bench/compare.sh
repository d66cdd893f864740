#!/usr/bin/env bash
# Times whole programs on the benchmark inputs, side by side: our dump tools,
# a header-only floor, and the tools people would otherwise reach for.
# Each command runs several times, the commands taking turns, and the table
# gives the median wall time, the peak memory and the ratio to our text dump.
# A peer "walks every element" when its output names at least as many
# elements as the file holds (matches of a pattern, counted in its first run).
#
#   bench/compare.sh [BUILD-DIR] [RUNS]      (defaults: build/release, 5)
#
# Installs the peers (Debian packages) when they are missing. Slow peers
# (over 20 s on their first run) are run once.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${2:-5}
bin=$build/bin

peers=(ffmpeg libimage-exiftool-perl mediainfo atomicparsley time)
missing=()
for p in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=(); ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for tool in tarnwick-dump quellby-dump header-floor make-bench-files; do
  [[ -x $bin/$tool ]] || { echo "missing $bin/$tool: build the release preset first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/viewer-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$bin/make-bench-files" "$work"

# name;file;expected elements;marker regex (grep -E -o on stdout+stderr);command
cases=(
  "tarnwick-dump;riff-1m.avi;1000000;^ +(00dc|01wb);$bin/tarnwick-dump $work/riff-1m.avi"
  "tarnwick-dump --json;riff-1m.avi;1000000;\"(00dc|01wb)\";$bin/tarnwick-dump --json $work/riff-1m.avi"
  "header-floor;riff-1m.avi;;;$bin/header-floor riff $work/riff-1m.avi"
  "ffprobe -v trace;riff-1m.avi;1000000;tag=0x;ffprobe -v trace -i $work/riff-1m.avi"
  "ffprobe -show_format;riff-1m.avi;1000000;tag=0x;ffprobe -v error -show_format $work/riff-1m.avi"
  "exiftool -v3;riff-1m.avi;1000000;(00dc|01wb);exiftool -v3 $work/riff-1m.avi"
  "mediainfo --Details=1;riff-1m.avi;1000000;(00dc|01wb);mediainfo --Details=1 $work/riff-1m.avi"
  "quellby-dump;mp4-1m.mp4;142857;^ +moof;$bin/quellby-dump $work/mp4-1m.mp4"
  "quellby-dump --json;mp4-1m.mp4;142857;\"moof\";$bin/quellby-dump --json $work/mp4-1m.mp4"
  "header-floor;mp4-1m.mp4;;;$bin/header-floor atom $work/mp4-1m.mp4"
  "ffprobe -v trace;mp4-1m.mp4;142857;type:'moof';ffprobe -v trace -i $work/mp4-1m.mp4"
  "ffprobe -show_format;mp4-1m.mp4;142857;type:'moof';ffprobe -v error -show_format $work/mp4-1m.mp4"
  "exiftool -v3;mp4-1m.mp4;142857;MovieFragment;exiftool -v3 $work/mp4-1m.mp4"
  "mediainfo --Details=1;mp4-1m.mp4;142857;moof;mediainfo --Details=1 $work/mp4-1m.mp4"
  "AtomicParsley -T;mp4-1m.mp4;142857;Atom moof;AtomicParsley $work/mp4-1m.mp4 -T"
  "quellby-dump;sparse-6g.mp4;;;$bin/quellby-dump $work/sparse-6g.mp4"
  "header-floor;sparse-6g.mp4;;;$bin/header-floor atom $work/sparse-6g.mp4"
  "tarnwick-dump;opendml.avi;;;$bin/tarnwick-dump $work/opendml.avi"
  "header-floor;opendml.avi;;;$bin/header-floor riff $work/opendml.avi"
)

declare -A times mems walks skip
for ((r = 1; r <= runs; r++)); do
  for i in "${!cases[@]}"; do
    [[ -n ${skip[$i]:-} ]] && continue
    IFS=';' read -r name file expected marker cmd <<<"${cases[$i]}"
    out=$work/out.txt
    /usr/bin/time -f "%e %M" -o "$work/time.txt" timeout 600 $cmd >"$out" 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time.txt")
    times[$i]+="$secs "
    mems[$i]=$(( ${mems[$i]:-0} > kb ? ${mems[$i]:-0} : kb ))
    if ((r == 1)); then
      if [[ -n $expected ]]; then
        n=$({ grep -E -o -- "$marker" "$out" || true; } | wc -l)
        if ((n >= expected)); then walks[$i]="yes"; else walks[$i]="no ($n)"; fi
      else
        walks[$i]="-"
      fi
      awk -v s="$secs" 'BEGIN { exit !(s > 20) }' && skip[$i]=1
    fi
  done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

printf '| file | program | median s | peak MiB | × ours | runs | walks every element |\n'
printf '|---|---|---:|---:|---:|---:|---|\n'
declare -A ours
for i in "${!cases[@]}"; do
  IFS=';' read -r name file _ _ _ <<<"${cases[$i]}"
  [[ $name == tarnwick-dump || $name == quellby-dump ]] && ours[$file]=$(median <<<"${times[$i]}")
done
for i in "${!cases[@]}"; do
  IFS=';' read -r name file _ _ _ <<<"${cases[$i]}"
  m=$(median <<<"${times[$i]}")
  n=$(wc -w <<<"${times[$i]}")
  ratio=$(awk -v a="$m" -v b="${ours[$file]}" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')
  printf '| %s | %s | %.3f | %.1f | %s | %s | %s |\n' "$file" "$name" "$m" "$(awk -v k="${mems[$i]}" 'BEGIN { print k / 1024 }')" "$ratio" "$n" "${walks[$i]}"
done
