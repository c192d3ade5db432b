#!/usr/bin/env bash
# The profile photo ("Change Image": decode with shrink-on-load, cover crop to 280 x 427, JPEG at
# quality 100) from a 24-, 12- and 2-megapixel JPEG and a 30- and 100-megapixel PNG, timed as whole
# processes beside vipsthumbnail and ImageMagick's convert making the same crop in the same run;
# then how far each result lies from a full-size decode reduced by a Lanczos filter (mean absolute
# difference per channel, 0 to 255). Goals: the 24-megapixel JPEG at most 0.6 times
# vipsthumbnail's time, the 100-megapixel PNG at most 1.2 times.
# Usage: bench/photo.sh [BUILD_DIR]   (RUNS=9 timed runs each, the median counts)
# vipsthumbnail (libvips-tools) and convert (imagemagick) are not project dependencies: they are
# installed only with VT_BENCH_INSTALL=1, and a missing one is skipped.
set -euo pipefail
build=${1:-build/dev}
runs=${RUNS:-9}
bench="$build/bench/photo_bench"
source "$(dirname "$0")/timing.sh"
make_work_dir photo

declare -A package_of=([vipsthumbnail]=libvips-tools [convert]=imagemagick)
missing=()
for tool in "${!package_of[@]}"; do
  command -v "$tool" >/dev/null || missing+=("${package_of[$tool]}")
done
if ((${#missing[@]})) && [[ ${VT_BENCH_INSTALL:-0} == 1 ]]; then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
has() { command -v "$1" >/dev/null; }
for tool in "${!package_of[@]}"; do
  has "$tool" || echo "note: $tool is missing (${package_of[$tool]}): skipped;" \
    "VT_BENCH_INSTALL=1 installs it"
done

# The mean absolute difference per channel (0 to 255) of a result from the reference; "-" without
# one. ImageMagick prints it normalised, in brackets.
difference() {
  if [[ -f "$work/reference.png" && -f "$1" ]]; then
    compare -metric MAE "$1" "$work/reference.png" null: 2>&1 | tr -d '()' |
      awk '{printf "%.2f", $2 * 255}'
  else
    echo "-"
  fi
}

printf '%-7s %-10s %-14s %-10s %-10s %s\n' photo vellumtide vipsthumbnail ratio convert \
  "difference from the reference: vellumtide / vipsthumbnail / convert"
for photo in "24 6000 4000 jpg" "12 4000 3000 jpg" "2 1632 1224 jpg" "30 6708 4472 png" \
  "100 12000 8333 png"; do
  read -r mp width height format <<<"$photo"
  source="$work/photo$mp.$format"
  "$bench" make "$width" "$height" "$source" "$format"
  rm -f "$work"/out-*.jpg "$work/reference.png"
  ours=$(median_ms "$bench" resize "$source" "$work/out-vellumtide.jpg")
  vips="-" ratio="-" magick="-"
  if has vipsthumbnail; then
    vips=$(median_ms vipsthumbnail "$source" --size 280x427 --smartcrop centre \
      -o "$work/out-vips.jpg[Q=100]")
    ratio=$(awk -v a="$ours" -v b="$vips" 'BEGIN {printf "%.2f", a/b}')
  fi
  if has convert; then
    magick=$(median_ms convert "$source" -resize '280x427^' -gravity center -extent 280x427 \
      -quality 100 "$work/out-convert.jpg")
    # The reference: the whole photo decoded, reduced to the wizard's placement by Lanczos.
    read -r w h x y < <("$bench" placement "$source")
    convert "$source" -filter Lanczos -resize "${w}x${h}!" -crop "280x427+$((-x))+$((-y))" \
      +repage "$work/reference.png"
  fi
  printf '%-7s %-10s %-14s %-10s %-10s %s / %s / %s\n' "$mp MP $format" "$ours ms" "$vips ms" "$ratio" \
    "$magick ms" "$(difference "$work/out-vellumtide.jpg")" "$(difference "$work/out-vips.jpg")" \
    "$(difference "$work/out-convert.jpg")"
done
echo "median of $runs runs each; goals: ratio at most 0.6 for the 24 MP JPEG, 1.2 for the 100 MP PNG"
