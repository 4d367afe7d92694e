# SPDX-License-Identifier: Apache-2.0
"""The provider's algorithms run by qgis_process (headless, the plugin on
QGIS_PLUGINPATH, a HOME of its own), their outputs read back with QGIS's own
reader and compared with karvento-cli's for the same request; a table with
a bad row; the texts in English under an English QGIS; the cursor panel's
lookup in a projected project system.

    test_provider.py KARVENTO_CLI PLUGIN_FOLDER
"""

import json
import os
import subprocess
import sys
import tempfile

QGIS_PROCESS = "/usr/bin/qgis_process.bin"
cli, plugins = sys.argv[1], sys.argv[2]
if not os.access(QGIS_PROCESS, os.X_OK):
    print(f"skipped: {QGIS_PROCESS} is not installed (apt-get install --no-install-recommends qgis)")
    sys.exit(77)
try:
    from qgis.core import QgsApplication, QgsCoordinateReferenceSystem, QgsPointXY, QgsVectorLayer
except ImportError as e:
    print(f"skipped: QGIS's Python bindings do not load ({e})")
    sys.exit(77)

work = tempfile.mkdtemp()
env = dict(os.environ, HOME=work, QGIS_PLUGINPATH=plugins, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8")
env.pop("LANGUAGE", None)
env.pop("LC_ALL", None)
failures = []


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")


def qgis_process(*words, **extra):
    r = subprocess.run([QGIS_PROCESS, *words], env=dict(env, **extra), capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


def run(alg, **parameters):
    code, out, err = qgis_process("run", "karvento:" + alg, "--", *[f"{k}={v}" for k, v in parameters.items()])
    if code != 0:
        failures.append(f"{alg} {parameters}: exit status {code}\n{out}\n{err}")
    return out + err


def rows(path):
    """QGIS's reading of a file: its system, field names and attribute rows."""
    layer = QgsVectorLayer(path, "t", "ogr")
    assert layer.isValid(), path
    # A GeoPackage's fid, which QGIS shows as a field, is no attribute of the file.
    keep = [i for i, n in enumerate(layer.fields().names()) if n != "fid"]
    return (layer.crs().authid(), [layer.fields().names()[i] for i in keep],
            [[None if str(f.attributes()[i]) == "NULL" else f.attributes()[i] for i in keep]
             for f in layer.getFeatures()], layer.extent())


def path(name):
    return os.path.join(work, name)


app = QgsApplication([], False)
app.initQgis()
code, out, err = qgis_process("plugins", "enable", "karvento_qgis")
expect("plugin enabled", code, 0)
code, out, err = qgis_process("list")
for alg, name in [("sheetindex", "创建图幅索引"), ("tag", "图幅号赋值"), ("clip", "标准分幅裁切"), ("checknumbers", "图幅号检查与转换"), ("frame", "图廓")]:
    expect(f"{alg} listed in Chinese", f"karvento:{alg}\t{name}" in out, True)

# 创建图幅索引: the file karvento-cli sheets writes, in every case of the table.
cases = [
    ("beijing.gpkg", dict(EXTENT="116.3,116.5,39.8,40.0 [EPSG:4490]", SCALE=6, DATUM=0),
     ["--from", "116.3,39.8", "--to", "116.5,40.0", "--scale", "1:1万", "--datum", "2000", "--coords", "geo"],
     "EPSG:4490", 20),
    ("plane.shp", dict(EXTENT="116.3,116.5,39.8,40.0 [EPSG:4490]", SCALE=7, DATUM=0, CM=117, COORDS=1),
     ["--from", "116.3,39.8", "--to", "116.5,40.0", "--scale", "1:5000", "--datum", "2000", "--cm", "117"],
     "EPSG:4527", 70),
    ("old54.shp", dict(EXTENT="116,117,39,40 [EPSG:4214]", SCALE=3, STANDARD=1, DATUM=2),
     ["--from", "116,39", "--to", "117,40", "--scale", "1:10万", "--standard", "old", "--datum", "54",
      "--coords", "geo"], "EPSG:4214", 6),
]
for name, parameters, words, authid, count in cases:
    run("sheetindex", OUTPUT=path(name), **parameters)
    subprocess.run([cli, "sheets", *words, "--output", path("cli_" + name), "--quiet"], check=True)
    got, want = rows(path(name)), rows(path("cli_" + name))
    expect(f"{name} system", got[0], authid)
    expect(f"{name} fields", got[1], want[1])
    expect(f"{name} features", len(got[2]), count)
    expect(f"{name} rows as karvento-cli's", got[2], want[2])
# An area layer in a projected system: the sheets of the CLI's --aoi of the
# same polygons.
area = path("area.geojson")
with open(area, "w") as f:
    f.write('{"type":"FeatureCollection","features":[{"type":"Feature","properties":{},"geometry":'
            '{"type":"Polygon","coordinates":[[[116.31,39.81],[116.49,39.83],[116.40,39.99],[116.31,39.81]]]}}]}')
merc = path("area_3857.gpkg")
subprocess.run(["ogr2ogr", "-s_srs", "EPSG:4490", "-t_srs", "EPSG:3857", merc, area], check=True)
run("sheetindex", AREA=merc, SCALE=6, DATUM=0, OUTPUT=path("area.gpkg"))
subprocess.run([cli, "sheets", "--aoi", area, "--scale", "1:1万", "--datum", "2000", "--coords", "geo",
                "--output", path("cli_area.gpkg"), "--quiet"], check=True)
expect("area sheets as --aoi's", [r[0] for r in rows(path("area.gpkg"))[2]],
       [r[0] for r in rows(path("cli_area.gpkg"))[2]])
expect("area sheets found", len(rows(path("area.gpkg"))[2]) > 5, True)

# 图幅号赋值: the layer karvento-cli tag writes.
points = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../docs/examples/控制点.csv")
run("tag", INPUT=points, SCALES="4,6", STANDARD=2, DATUM=1, OUTPUT=path("tagged.gpkg"))
subprocess.run([cli, "tag", points, "--datum", "2000", "--scale", "1:1万,1:5万", "--standard", "both",
                "--output", path("cli_tagged.gpkg")], check=True, capture_output=True)
got, want = rows(path("tagged.gpkg")), rows(path("cli_tagged.gpkg"))
expect("tagged fields", got[1], want[1])
expect("tagged rows as karvento-cli tag's", got[2], want[2])
expect("tagged features", len(got[2]), 8)

# 标准分幅裁切: the sheet files karvento-cli clip writes, byte for byte
# (an 8 km × 6 km UInt16 raster on CGCS2000 zone 39 across 117° E, 40° N).
from osgeo import gdal, osr  # noqa: E402
os.makedirs(path("data"))
dem = path("data/dem.tif")
d = gdal.GetDriverByName("GTiff").Create(dem, 800, 600, 1, gdal.GDT_UInt16)
d.SetGeoTransform((39496000, 10, 0, 4433000, 0, -10))
srs = osr.SpatialReference()
srs.ImportFromEPSG(4527)
d.SetProjection(srs.ExportToWkt())
d.GetRasterBand(1).Fill(1234)
d = None
run("clip", INPUT=dem, SCALE=6, MARGIN="10mm", OUTPUT=path("clipped"))
subprocess.run([cli, "clip", dem, "--scale", "1:1万", "--margin", "10mm", "--output", path("cli_clipped")],
               check=True, capture_output=True)
tifs = sorted(f for f in os.listdir(path("clipped")) if f.endswith(".tif"))
expect("clipped sheets", tifs, ["J50G001048.tif", "J50G001049.tif", "K50G096048.tif", "K50G096049.tif"])
for t in tifs:
    with open(os.path.join(path("clipped"), t), "rb") as a, open(os.path.join(path("cli_clipped"), t), "rb") as b:
        expect(f"{t} as karvento-cli clip's", a.read() == b.read(), True)

# 图幅号检查与转换 over a table with a bad row: every row out, the bad one
# with its status and the command line's message.
table = path("numbers.csv")
with open(table, "w", encoding="utf-8") as f:
    f.write("序号,图幅号\n1,J50G003040\n2,XYZ\n3,j-50-5\n")
log = run("checknumbers", INPUT=table, FIELD="图幅号", DATUM=0, OUTPUT=path("checked.gpkg"))
authid, names, got, _ = rows(path("checked.gpkg"))
expect("checked system", authid, "EPSG:4490")
expect("checked fields", names[-8:], ["图幅号_2", "标准", "WEST", "SOUTH", "EAST", "NORTH", "状态", "说明"])
check = subprocess.run([cli, "check", "J50G003040", "XYZ", "J-50-5"], capture_output=True, text=True)
want = [line.split("\t") for line in check.stdout.splitlines()]
expect("good rows as karvento-cli check", [[r[2], r[3]] + [repr(v) for v in r[4:8]] for r in got if r[8] == "ok"],
       [[w[0], w[1]] + [repr(float(v)) for v in w[2:6]] for w in want])
expect("bad row's status", [r[8] for r in got], ["ok", "error", "ok"])
expect("bad row's message", got[1][9], check.stderr.split(": ", 1)[1].strip())
expect("bad row reported", "第 2 行：XYZ不是标准图幅号" in log, True)
run("checknumbers", INPUT=table, FIELD="图幅号", OPERATION=1, TO_SCALE=4, DATUM=2, CM=117,
    OUTPUT=path("converted.gpkg"))
_, names, got, _ = rows(path("converted.gpkg"))
convert = json.loads(subprocess.run([cli, "convert", "J50G003040", "J-50-5", "--to-scale", "1:5万", "--datum", "54",
                                     "--cm", "117", "--format", "json"], capture_output=True, text=True).stdout)
expect("converted as karvento-cli convert", [[r[2], r[3], r[5], r[6], r[7], r[8], r[9], r[10]] for r in got
                                             if r[-2] == "ok"],
       [[c["source"], c["number"], c["west"], c["south"], c["east"], c["north"]] + c["plane"][0] for c in convert])
expect("converted statuses", [r[-2] for r in got], ["ok", "error", "ok", "ok", "ok", "ok"])

# 图廓: one file per good number, the bad one reported, as karvento-cli frame.
log = run("frame", INPUT=table, FIELD="图幅号", FORMAT=0, DATUM=0, CM=117, OUTPUT=path("frames"),
          REPORT=path("report.gpkg"))
expect("frame files", sorted(os.listdir(path("frames"))),
       ["J-50-5.dxf", "J50G003040.dxf"])
subprocess.run([cli, "frame", "J50G003040", "--datum", "2000", "--cm", "117", "--output", path("cli.dxf")],
               check=True, capture_output=True)
with open(path("frames/J50G003040.dxf"), "rb") as a, open(path("cli.dxf"), "rb") as b:
    expect("frame as karvento-cli frame's", a.read() == b.read(), True)
expect("frame report", [r[2] for r in rows(path("report.gpkg"))[2]], ["ok", "error", "ok"])

# English under an English QGIS (the profile's locale override).
profile = os.path.join(work, ".local/share/QGIS/QGIS3/profiles/default/QGIS/QGIS3.ini")
with open(profile, "a") as f:
    f.write("\n[locale]\noverrideFlag=true\nuserLocale=en_US\n")
code, out, err = qgis_process("list")
expect("English names", "karvento:sheetindex\tCreate sheet index" in out, True)

# The cursor panel's lookup: a point of a Web Mercator project at Beijing.
sys.path.insert(0, plugins)
from karvento_qgis.panel import numbers_at  # noqa: E402
merc = QgsCoordinateReferenceSystem("EPSG:3857")
# 116.466° E, 39.9° N lies in J50G003040 (J-50-5-(24)), 116°26′15″–116°30′ E.
expect("panel numbers", numbers_at(QgsPointXY(12965000.0, 4853000.0), merc, "1:1万", "2000"),
       ["J50G003040", "J-50-5-(24)"])

for f in failures:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
