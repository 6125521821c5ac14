#!/usr/bin/env bash
# Renders each of the five pages of the window in each of the five languages
# to PNG files, without a display, at 100 % and 200 % scaling, and prints the
# folder. Builds velartis-shots in build/ when it is missing.
#
#   tools/shots.sh [OUTPUT-FOLDER]     (default: var/shots)
#   tools/shots.sh --docs              the README's pictures: docs/page0.png to
#                                      docs/page4.png, after a satellite is shown
#                                      and a download from the channel database
#                                      server (VELARTIS_DB_HOST / _PORT / _SOCKET,
#                                      else the built-in one) is done
set -euo pipefail
TOOLS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(dirname "$TOOLS_DIR")
DOCS=0
if [ "${1:-}" = "--docs" ]; then
  DOCS=1
  shift
fi
OUT=$(realpath -m "${1:-$REPO_DIR/var/shots}")
BUILD=${VA_BUILD_DIR:-$REPO_DIR/build}
if [ ! -x "$BUILD/tools/velartis-shots" ]; then
  cmake -S "$REPO_DIR" -B "$BUILD" -G Ninja >/dev/null
  cmake --build "$BUILD" -j"${VA_JOBS:-2}" --target velartis-shots
fi
# The window reads its files from the working folder: a fresh copy of the
# shipped ones, so nothing of the repository is touched.
WORK="$OUT/work"
mkdir -p "$WORK"
cp "$REPO_DIR/data/VAconfig.vac" "$REPO_DIR/data/Default.cfg" "$WORK/"
if [ "$DOCS" = 1 ]; then
  (cd "$WORK" && QT_QPA_PLATFORM=offscreen "$BUILD/tools/velartis-shots" "$REPO_DIR/docs" --flow)
  rm -rf "$WORK"
  exit 0
fi
for scale in 1 2; do
  (cd "$WORK" && QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale \
     "$BUILD/tools/velartis-shots" "$OUT/${scale}00")
done
echo "Pictures: $OUT/100 (100 %) and $OUT/200 (200 %)"
