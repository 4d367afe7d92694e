#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# karvento-cli tag against QGIS's "Join attributes by location"
# (native:joinattributesbylocation, headless through qgis_process) joining
# the same layer with Karvento's own 1:1万 sheet index of the same area: what
# a surveyor does today. Two layers, both in CGCS2000 longitude and latitude
# over 116°–118° E, 39°–41° N (1,536 sheets):
#   1,000,000 random points;
#   100,000 parcels, rectangles of 50 m to 2 km turned by a random angle.
# Each program is a fresh process; printed per run: wall and processor time
# (user + system) and the largest resident set, then the ratio of processor
# times (the figure two busy cores disturb least) and a comparison of the
# feature–sheet pairs of both. The QGIS half is skipped, with a message, where
# qgis_process is not installed.
#
# Usage: bench/bench_tag.sh [BUILD_DIR] [POINTS] [PARCELS]
# KARVENTO_BENCH_TAG_CSV=0 leaves the CSV runs out (QGIS's join of the
# million-point CSV takes about an hour).
set -eu
build=${1:-build}
points=${2:-1000000}
parcels=${3:-100000}
cli=$(cd "$build" && pwd)/cli/karvento-cli
py=/usr/bin/python3
qgis=/usr/bin/qgis_process.bin
work=$(mktemp -d /tmp/karvento_bench_tag.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$py" - "$points" "$parcels" <<'PY'
import math, random, sys
from osgeo import ogr, osr
ogr.UseExceptions()
n_points, n_parcels = int(sys.argv[1]), int(sys.argv[2])
srs = osr.SpatialReference(); srs.ImportFromEPSG(4490)
srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
rng = random.Random(35)
def layer(name, kind):
    ds = ogr.GetDriverByName("GPKG").CreateDataSource(name + ".gpkg")
    lyr = ds.CreateLayer(name, srs, kind)
    lyr.CreateField(ogr.FieldDefn("id", ogr.OFTInteger))
    return ds, lyr
ds, lyr = layer("points", ogr.wkbPoint)
# The same layers as CSV tables: points as lon,lat columns, parcels as WKT.
csv = open("points.csv", "w"); csv.write("id,lon,lat\n")
lyr.StartTransaction()
defn = lyr.GetLayerDefn()
for i in range(n_points):
    f = ogr.Feature(defn); f.SetField(0, i)
    x, y = rng.uniform(116, 118), rng.uniform(39, 41)
    g = ogr.Geometry(ogr.wkbPoint); g.AddPoint_2D(x, y)
    f.SetGeometry(g); lyr.CreateFeature(f)
    csv.write(f"{i},{x!r},{y!r}\n")
lyr.CommitTransaction(); ds = None; csv.close()
ds, lyr = layer("parcels", ogr.wkbPolygon)
csv = open("parcels.csv", "w"); csv.write("id,WKT\n")
lyr.StartTransaction()
defn = lyr.GetLayerDefn()
for i in range(n_parcels):
    # 50 m to 2 km a side (log-uniform), in degrees at 40° N.
    a = math.exp(rng.uniform(math.log(50), math.log(2000))); b = a * rng.uniform(0.3, 1)
    t = rng.uniform(0, math.pi)
    cx, cy = rng.uniform(116.02, 117.98), rng.uniform(39.02, 40.98)
    ring = ogr.Geometry(ogr.wkbLinearRing)
    for u, v in ((-1, -1), (1, -1), (1, 1), (-1, 1), (-1, -1)):
        x = (u * a * math.cos(t) - v * b * math.sin(t)) / 2; y = (u * a * math.sin(t) + v * b * math.cos(t)) / 2
        ring.AddPoint_2D(cx + x / (111320 * math.cos(math.radians(cy))), cy + y / 110950)
    g = ogr.Geometry(ogr.wkbPolygon); g.AddGeometry(ring)
    f = ogr.Feature(defn); f.SetField(0, i); f.SetGeometry(g); lyr.CreateFeature(f)
    csv.write(f'{i},"{g.ExportToWkt()}"\n')
lyr.CommitTransaction(); ds = None; csv.close()
PY

# One run: "name wall cpu maxrss" on standard output.
run() {
  name=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o time.txt "$@" >/dev/null 2>run.err || { cat run.err >&2; exit 1; }
  read -r wall user sys rss < time.txt
  cpu=$(echo "$user + $sys" | bc)
  printf '%-34s wall %8.2f s  cpu %8.2f s  max RSS %7d KiB\n' "$name" "$wall" "$cpu" "$rss"
  echo "$cpu" > "cpu_$name"
}

# Feature–sheet pairs of an output, sorted: "id<TAB>number".
pairs() {
  "$py" - "$1" "$2" > "$3" <<'PY'
import sys
from osgeo import ogr
ds = ogr.Open(sys.argv[1]); lyr = ds.GetLayer(0)
out = set()
for f in lyr:
    v = f.GetField(sys.argv[2])
    if v: out.update((f.GetField("id"), s) for s in v.split(";"))
for p in sorted(out): print(f"{p[0]}\t{p[1]}")
PY
}

# Both programs read and write the same format in each run: CSV to CSV and
# GeoPackage to GeoPackage. Each time is the whole process's, start-up
# included (QGIS's is about 1.9 s of processor time: the 1,000-point run).
# SQLite's R-tree of a GeoPackage output takes most of both programs' time
# there; QGIS's join of a CSV input, which has no spatial index, reads the
# whole table once per sheet of the index (about an hour for the million
# points here).
echo "karvento-cli tag: $points points and $parcels parcels at 1:1万 (116°–118° E, 39°–41° N)"
exts="csv gpkg"
[ "${KARVENTO_BENCH_TAG_CSV:-1}" = 0 ] && exts=gpkg
if [ "$exts" != gpkg ]; then
  run tag_points_csv "$cli" tag points.csv --datum 2000 --scale 1:1万 --explode --quiet --output tag_points.csv
  run tag_parcels_csv "$cli" tag parcels.csv --datum 2000 --scale 1:1万 --explode --quiet --output tag_parcels.csv
fi
run tag_points_gpkg "$cli" tag points.gpkg --scale 1:1万 --explode --quiet --output tag_points.gpkg
run tag_parcels_gpkg "$cli" tag parcels.gpkg --scale 1:1万 --explode --quiet --output tag_parcels.gpkg

if [ ! -x "$qgis" ]; then
  echo "QGIS comparison skipped: $qgis is not installed (apt-get install --no-install-recommends qgis)"
  exit 0
fi
"$cli" sheets --from 116,39 --to 118,41 --scale 1:1万 --datum 2000 --coords geo --quiet --output index.gpkg
export QT_QPA_PLATFORM=offscreen HOME="$work"
# PREDICATE 0 intersects, METHOD 0 one feature per match: every sheet.
cat > qgis_join.sh <<SH
#!/bin/sh
exec "$qgis" run native:joinattributesbylocation -- INPUT="\$1" JOIN=index.gpkg PREDICATE=0 \\
  JOIN_FIELDS=图幅号 METHOD=0 DISCARD_NONMATCHING=false OUTPUT="\$2"
SH
chmod +x qgis_join.sh
head -n 1001 points.csv > start.csv
run qgis_start_1000_points ./qgis_join.sh "start.csv|option:X_POSSIBLE_NAMES=lon|option:Y_POSSIBLE_NAMES=lat" qgis_start.csv
run qgis_points_gpkg ./qgis_join.sh points.gpkg qgis_points.gpkg
run qgis_parcels_gpkg ./qgis_join.sh parcels.gpkg qgis_parcels.gpkg
if [ "$exts" != gpkg ]; then
  run qgis_parcels_csv ./qgis_join.sh "parcels.csv|option:GEOM_POSSIBLE_NAMES=WKT" qgis_parcels.csv
  run qgis_points_csv ./qgis_join.sh "points.csv|option:X_POSSIBLE_NAMES=lon|option:Y_POSSIBLE_NAMES=lat" qgis_points.csv
fi
for what in points parcels; do
  for ext in $exts; do
    echo "$what, $ext: QGIS / karvento-cli tag processor time: $(echo "scale=1; $(cat cpu_qgis_${what}_$ext) / $(cat cpu_tag_${what}_$ext)" | bc)×"
  done
  pairs "tag_$what.gpkg" 图幅号_1万 tag.txt
  pairs "qgis_$what.gpkg" 图幅号 qgis.txt
  echo "  pairs: tag $(wc -l < tag.txt), QGIS $(wc -l < qgis.txt), only tag $(comm -23 tag.txt qgis.txt | wc -l), only QGIS $(comm -13 tag.txt qgis.txt | wc -l)"
  # QGIS's "intersects" also takes the sheets a feature only touches: a
  # point on a sheet line gets both sheets, a parcel along a sheet line the
  # sheet beyond it. The first of each kind, for the note.
  comm -13 tag.txt qgis.txt | head -3 | sed 's/^/  only QGIS: /'
  comm -23 tag.txt qgis.txt | head -3 | sed 's/^/  only tag:  /'
done
