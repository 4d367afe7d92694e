#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The QGIS provider's 创建图幅索引 for the 857,088 sheets of China at 1:1万
# (73°–135° E, 18°–54° N, Beijing 1954, longitude and latitude) into a
# GeoPackage, run by qgis_process, against karvento-cli sheets --format gpkg
# for the same request; fresh processes, wall and processor time of each
# (QGIS's start included), the ratio, and whether the two files hold the
# same rows. Skips QGIS, saying so, where it is not installed.
# Usage: bench/bench_qgis.sh [BUILD]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
qgis=/usr/bin/qgis_process.bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/cli/karvento-cli"
timed() {  # timed NAME COMMAND...: wall and user+system seconds into NAME.t
  local name=$1; shift
  /usr/bin/time -f "%e %U %S" -o "$work/$name.t" "$@" >"$work/$name.log" 2>&1
  read -r wall user sys <"$work/$name.t"
  echo "$name: ${wall} s wall, $(echo "$user + $sys" | bc) s processor"
}
timed cli "$cli" sheets --from 73,18 --to 135,54 --scale 1:1万 --datum 54 --coords geo --format gpkg \
  --output "$work/cli.gpkg" --quiet
if [ ! -x "$qgis" ]; then
  echo "QGIS skipped: $qgis is not installed (apt-get install --no-install-recommends qgis)"; exit 0
fi
mkdir -p "$work/plugins" "$work/home"
cp -r "$build/qgis/karvento_qgis" "$work/plugins/"
export HOME="$work/home" QGIS_PLUGINPATH="$work/plugins" QT_QPA_PLATFORM=offscreen
export PYTHONPATH="$build/python${PYTHONPATH:+:$PYTHONPATH}"
"$qgis" plugins enable karvento_qgis >/dev/null 2>&1
timed qgis "$qgis" run karvento:sheetindex -- "EXTENT=73,135,18,54 [EPSG:4214]" SCALE=6 STANDARD=0 DATUM=2 \
  COORDS=0 "OUTPUT=$work/qgis.gpkg"
echo "ratio qgis / cli, wall: $(echo "scale=2; $(cut -d' ' -f1 "$work/qgis.t") / $(cut -d' ' -f1 "$work/cli.t")" | bc)"
same=$(cmp <(ogr2ogr -f CSV /vsistdout/ "$work/cli.gpkg" | md5sum) <(ogr2ogr -f CSV /vsistdout/ "$work/qgis.gpkg" | md5sum) \
  && echo yes || echo no)
echo "features: $(ogrinfo -ro -so -al "$work/qgis.gpkg" | grep 'Feature Count'), same rows as karvento-cli's: $same"
