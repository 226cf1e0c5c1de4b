#!/usr/bin/env bash
# Regenerates the operator's manual that Help opens: docs/manual/readme.doc, RTF content under
# the name the tool opens (word processors read RTF whatever the file is called), made from
# the Chinese source docs/manual/zh/manual.md with the screenshots embedded.
#
#   scripts/manual.sh              take the screenshots again, then convert
#   scripts/manual.sh --no-shots   convert with the pictures already in docs/manual/images
#
# Needs pandoc (apt-get install -y pandoc); the screenshots need the build (scripts/build.sh).
# Commit the pictures and readme.doc it writes: building and installing need no converter.
set -euo pipefail
cd "$(dirname "$0")/.."
manual=docs/manual

if [ "${1:-}" != "--no-shots" ]; then
  [ -f build/CMakeCache.txt ] || cmake -S . -B build >/dev/null
  cmake --build build --target rfmod-screenshots -j"$(nproc)" >/dev/null
  shots="$(mktemp -d)"
  trap 'rm -rf "$shots"' EXIT
  build/rfmod-screenshots "$shots" >/dev/null 2>&1
  mkdir -p "$manual/images"
  # only the pictures the two manuals show
  for picture in $(grep -oh 'images/[A-Za-z0-9_-]*\.png' "$manual"/zh/manual.md "$manual"/en/manual.md | sort -u); do
    cp "$shots/${picture#images/}" "$manual/$picture"
  done
fi

if ! command -v pandoc >/dev/null; then
  echo "pandoc is missing: apt-get install -y pandoc" >&2
  exit 1
fi
out="$(mktemp)"
(cd "$manual/zh" && pandoc manual.md --from markdown-smart --to rtf --columns=10 --standalone \
  --template ../rtf/template.rtf --lua-filter ../rtf/images.lua \
  --toc --toc-depth=2 --metadata toc-title="目录" --output "$out")
# Every run of text also names the Chinese font, so word processors that take the Latin font
# for Chinese characters as well show them in SimSun (or a font that stands in for it).
# Headings, pictures and table headers stay on the page of what follows them.
sed -e 's/\\f0 /\\f0\\hich\\af0\\dbch\\af2\\loch\\f0 /g' \
    -e 's/\\outlinelevel/\\keepn\\outlinelevel/' \
    -e '/\\clbrdrb\\brdrs\\cellx/,/\\row}/s/\\pard\\intbl /\\pard\\intbl\\keepn /' \
    -e '/\\pict\\pngblip/s/^{\\pard \\ql /{\\pard \\keepn\\ql /' "$out" > "$manual/readme.doc"
rm -f "$out"
echo "$manual/readme.doc"
