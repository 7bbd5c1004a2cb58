#!/usr/bin/env bash
# Renders maps with two zelk-cli builds and counts the pixels that differ; exits non-zero when
# any picture differs.
#
#   tools/compare-renders.sh OLD_CLI NEW_CLI [MAP...]
#
# Without maps: the demo map (data/demo.zkm) and the benchmark map of the render benchmarks,
# which RENDER_BENCH (default build/bench/render_bench) writes. Each map is rendered at 100,
# 300 and 600 DPI (DPIS overrides) as BMP, exact pixels, and as PNG, smooth edges. Equal files
# have equal pixels; for files that differ ImageMagick's `compare -metric AE` counts the pixels.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
old_cli="$(realpath "$1")"
new_cli="$(realpath "$2")"
shift 2
work="$(mktemp -d "${TMPDIR:-/tmp}/zelk-compare.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

maps=("$@")
if [[ ${#maps[@]} -eq 0 ]]; then
  bench="${RENDER_BENCH:-$root/build/bench/render_bench}"
  "$bench" --write-map "$work/benchmark.zkm" >/dev/null
  maps=("$root/data/demo.zkm" "$work/benchmark.zkm")
fi

failed=0
for map in "${maps[@]}"; do
  name="$(basename "$map" .zkm)"
  for dpi in ${DPIS:-100 300 600}; do
    for ext in bmp png; do
      a="$work/old-$name-$dpi.$ext"
      b="$work/new-$name-$dpi.$ext"
      "$old_cli" render "$map" -o "$a" --dpi "$dpi" >/dev/null
      "$new_cli" render "$map" -o "$b" --dpi "$dpi" >/dev/null
      if cmp -s "$a" "$b"; then
        differing=0
      else
        # AE prints the count on stderr and exits 1 when images differ.
        differing="$(compare -metric AE "$a" "$b" null: 2>&1 || true)"
      fi
      printf '%-12s %4s DPI %s: %s differing pixels\n' "$name" "$dpi" "$ext" "$differing"
      [[ "$differing" == 0 ]] || failed=1
      rm -f "$a" "$b"
    done
  done
done
exit "$failed"
