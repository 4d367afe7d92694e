# SPDX-License-Identifier: Apache-2.0
"""The module karvento answers as karvento-cli does: for each request of a
table, the module's result and the command line's output for the same
request are the same numbers, the same corners to the last bit and the same
error text. Run by CTest with Debian's interpreter:
    python3 test_karvento.py KARVENTO_CLI
with the build tree's python/ folder on PYTHONPATH.
"""

import csv
import importlib.util
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest
import warnings

import numpy as np

import karvento

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "karvento-cli"
ENV = dict(os.environ, LC_ALL="C.UTF-8", LANGUAGE="", LANG="C.UTF-8")


def cli(*words, stdin=None):
    """karvento-cli's status, standard output and its one message line, without
    the "karvento-cli COMMAND: " prefix."""
    r = subprocess.run([CLI, *words], input=stdin, capture_output=True, text=True, env=ENV)
    message = r.stderr.strip().split(": ", 1)[-1] if r.stderr else ""
    return r.returncode, r.stdout, message


def error_of(call):
    try:
        call()
    except karvento.Error as e:
        return str(e)
    raise AssertionError("no karvento.Error")


def csv_rows(text):
    return list(csv.DictReader(io.StringIO(text.lstrip("\ufeff"))))


class SameAsTheCommandLine(unittest.TestCase):
    def test_numbers_and_corners(self):
        # (module call, command line words, how the two are compared)
        extents = [
            ((116.3, 39.8, 116.5, 40.0), "10000", "new", "54", "3", "117"),
            (("116:20:00", "39:50:00", "116:40:00", "40:00:00"), "1:5万", "old", "80", "6", "0"),
            ((119.9, 29.9, 120.2, 30.1), "1:2000", "new", "2000", "3", "120"),
            ((73.5, 18.1, 75.0, 20.0), "1:25万", "new", "2000", "6", "0"),
        ]
        for e, scale, standard, datum, zone, cm in extents:
            with self.subTest(extent=e, scale=scale):
                status, out, _ = cli("sheets", "--from", f"{e[0]},{e[1]}", "--to", f"{e[2]},{e[3]}",
                                     "--scale", scale, "--standard", standard, "--datum", datum, "--zone", zone,
                                     "--cm", cm, "--format", "json", "--quiet")
                self.assertEqual(status, 0)
                expected = json.loads(out)
                got = karvento.sheets(extent=e, scale=scale, standard=standard, datum=datum, zone=int(zone),
                                      cm=cm).to_numpy()
                self.assertEqual(len(got), len(expected))
                for row, want in zip(got, expected):
                    self.assertEqual(row["number"], want["number"])
                    self.assertEqual([row["west"], row["south"], row["east"], row["north"]],
                                     [want["west"], want["south"], want["east"], want["north"]])
                    corners = [[row["x_nw"], row["y_nw"]], [row["x_ne"], row["y_ne"]],
                               [row["x_se"], row["y_se"]], [row["x_sw"], row["y_sw"]]]
                    self.assertEqual(corners, want["plane"])
                # The lazy iterator hands on the same records.
                first = next(iter(karvento.sheets(extent=e, scale=scale, standard=standard, datum=datum,
                                                  zone=int(zone), cm=cm)))
                self.assertEqual(first["number"], expected[0]["number"])

        # A polygon selects as --aoi selects the same polygon from a file.
        ring = [(116.3, 39.8), (116.6, 39.85), (116.45, 40.1)]
        with tempfile.TemporaryDirectory() as d:
            aoi = os.path.join(d, "area.geojson")
            coords = ",".join(f"[{x},{y}]" for x, y in ring + ring[:1])
            with open(aoi, "w") as f:
                f.write('{"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:4214"}},'
                        '"features":[{"type":"Feature","properties":{},"geometry":{"type":"Polygon",'
                        f'"coordinates":[[{coords}]]}}}}]}}')
            status, out, _ = cli("sheets", "--aoi", aoi, "--scale", "1:1万", "--cm", "117", "--format", "csv",
                                 "--quiet")
            self.assertEqual(status, 0)
            want = [r[next(iter(r))] for r in csv_rows(out)]
            self.assertEqual(list(karvento.sheets(aoi=aoi, scale=10000, cm=117).to_numpy()["number"]), want)
            self.assertEqual(list(karvento.sheets(polygon=ring, scale=10000, cm=117).to_numpy()["number"]), want)

        # check: standard and edges as the command prints them.
        numbers = ["J-50-5-(24)-A", "J50D001005", "j50k00490937", "J50H005079-1"]
        status, out, _ = cli("check", *numbers)
        self.assertEqual(status, 0)
        for line, got in zip(out.splitlines(), karvento.check(numbers)):
            n, kind, w, s, e, north = line.split("\t")
            self.assertEqual((got["number"], got["standard"]), (n, kind))
            self.assertEqual([got["west"], got["south"], got["east"], got["north"]],
                             [float(w), float(s), float(e), float(north)])

        # convert: the same targets, corners to the last bit.
        for source, to, direction in [("J-50-5", "1:5万", "auto"), ("J50D001005", "1:2.5万", "new-to-old")]:
            status, out, _ = cli("convert", source, "--to-scale", to, "--direction", direction, "--cm", "117",
                                 "--format", "json")
            self.assertEqual(status, 0)
            want = json.loads(out)
            got = karvento.convert(source, to_scale=to, direction=direction, cm=117)
            self.assertEqual([g["number"] for g in got], [w["number"] for w in want])
            self.assertEqual([[list(c) for c in g["corners"]] for g in got], [w["plane"] for w in want])

        # neighbours: the 接合图表 of at --neighbours at the sheet's centre.
        status, out, _ = cli("at", "116.4167,39.9583", "--scale", "1:1万", "--neighbours", "--format", "csv",
                             "--quiet")
        self.assertEqual(status, 0)
        want = [r[list(r)[1]] for r in csv_rows(out)]
        got = [n["number"] for n in karvento.neighbours(str(karvento.at(116.4167, 39.9583))) if n]
        self.assertEqual(got, want)

        # project and inverse: the same doubles as the command's shortest text.
        for words, call in [
            (["--cm", "117", "116:30:00", "39:30:00"], lambda: karvento.project(116.5, 39.5, cm=117)),
            (["--datum", "2000", "--zone", "6", "116.5", "39.5"],
             lambda: karvento.project(116.5, 39.5, datum="2000", zone=6)),
            (["--inverse", "--datum", "80", "--cm", "117", "39500000", "4429607.368"],
             lambda: karvento.inverse(39500000, 4429607.368, datum="80", cm=117)),
        ]:
            status, out, _ = cli("project", *words)
            self.assertEqual(status, 0)
            values = [float(v) for v in out.split() if ":" not in v]
            self.assertEqual([float(v) for v in call()], values)

    def test_files_are_the_command_lines_bytes(self):
        # The same writers and the same frame builder: byte for byte the
        # command line's files for the same request.
        with tempfile.TemporaryDirectory() as d:
            s = karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0), cm=117, datum="80")
            for name in ["a.csv", "a.geojson", "a.mif", "a.dxf", "a.svg", "a.txt"]:
                with self.subTest(file=name):
                    mine, theirs = os.path.join(d, "py_" + name), os.path.join(d, "cli_" + name)
                    s.write(mine)
                    status, _, _ = cli("sheets", "--from", "116.3,39.8", "--to", "116.5,40.0", "--cm", "117",
                                       "--datum", "80", "--output", theirs, "--quiet")
                    self.assertEqual(status, 0)
                    with open(mine, "rb") as a, open(theirs, "rb") as b:
                        self.assertEqual(a.read(), b.read())
            # Progress after each column, up to the count; a cancel leaves no
            # file, in a streamed text and in a GIS file alike.
            told = []
            s.write(os.path.join(d, "told.csv"), progress=lambda done, total: told.append((done, total)))
            self.assertTrue(told and told[-1][0] == told[-1][1] == len(s.to_numpy()), told)
            self.assertEqual([t for t, _ in told], sorted(t for t, _ in told))
            for name in ["cancelled.csv", "cancelled.gpkg"]:
                with self.assertRaises(karvento.Cancelled):
                    s.write(os.path.join(d, name), progress=lambda done, total: False)
                self.assertFalse(os.path.exists(os.path.join(d, name)), name)
            karvento.frame("J50D001005", os.path.join(d, "py.dxf"), cm=117)
            self.assertEqual(cli("frame", "J50D001005", "--cm", "117", "--output", os.path.join(d, "cli.dxf"))[0], 0)
            with open(os.path.join(d, "py.dxf"), "rb") as a, open(os.path.join(d, "cli.dxf"), "rb") as b:
                self.assertEqual(a.read(), b.read())
            # Refusals: KML of Xi'an 1980 sheets; a frame list with a bad number writes nothing.
            _, _, message = cli("sheets", "--from", "116.3,39.8", "--to", "116.5,40.0", "--datum", "80",
                                "--output", os.path.join(d, "cli.kml"), "--coords", "geo", "--quiet")
            self.assertEqual(error_of(lambda: s.write(os.path.join(d, "py.kml"), coords="geo")), message)
            self.assertFalse(os.path.exists(os.path.join(d, "py.kml")))
            text = error_of(lambda: karvento.frame(["J50D001005", "J50D999005"], d + "/frames/"))
            self.assertEqual(text.splitlines()[0], cli("frame", "J50D001005", "J50D999005", "--output",
                                                        d + "/frames/")[2].splitlines()[-1].split(": ", 1)[-1])
            self.assertIn("J50D999005", text)

    def test_datum_transformation(self):
        # Common points on zone 39 of both datums; parameters solved, written,
        # read back and applied as the command line does it.
        lon = np.repeat([116.2, 116.6, 117.0, 117.4], 4) + np.tile([0.0, 0.03, 0.06, 0.09], 4)
        lat = np.tile([39.5, 39.8, 40.1, 40.4], 4)
        x1, y1 = karvento.project(lon, lat, datum="54", cm=117)
        x2, y2 = karvento.project(lon + 2e-5 * lat, lat - 1e-5 * lon, datum="2000", cm=117)
        with tempfile.TemporaryDirectory() as d:
            points = os.path.join(d, "points.csv")
            with open(points, "w") as f:
                f.write("name,north1,east1,north2,east2\n")
                for k in range(len(lon)):
                    f.write(f"K{k},{y1[k]!r},{x1[k]!r},{y2[k]!r},{x2[k]!r}\n")
            for model, extension in [("bursa7", ".k7p"), ("plane4", ".k4p")]:
                with self.subTest(model=model):
                    mine, theirs = os.path.join(d, "py" + extension), os.path.join(d, "cli" + extension)
                    status, out, _ = cli("transform", "solve", points, "--model", model, "--from", "54", "--to",
                                         "2000", "--cm", "117", "--output", theirs)
                    self.assertEqual(status, 0)
                    solved = karvento.transform.solve(points, model=model, source="54", target="2000", cm=117,
                                                      output=mine)
                    with open(mine) as a, open(theirs) as b:
                        self.assertEqual(a.read(), b.read())
                    self.assertIn(solved["description"], out)
                    self.assertEqual(karvento.transform.read_params(mine)["description"], solved["description"])
                    status, out, _ = cli("transform", "apply", "--params", theirs, "--cm", "117", "--quiet",
                                         stdin="".join(f"{x!r} {y!r}\n" for x, y in zip(x1, y1)))
                    self.assertEqual(status, 0)
                    mx, my = karvento.transform.apply(x1, y1, params=mine, cm=117)
                    self.assertEqual([f"{x:.4f} {y:.4f}" for x, y in zip(mx, my)],
                                     [" ".join(line.split()[:2]) for line in out.splitlines()])
            # A layer on Beijing 1954's zone 39 moved as transform layer moves it.
            layer = os.path.join(d, "in.geojson")
            with open(layer, "w") as f:
                f.write('{"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:2415"}},'
                        '"features":[{"type":"Feature","properties":{"n":1},'
                        f'"geometry":{{"type":"LineString","coordinates":[[{x1[0]!r},{y1[0]!r}],[{x1[5]!r},{y1[5]!r}]]}}}}]}}')
            params = os.path.join(d, "cli.k7p")
            status, _, _ = cli("transform", "layer", layer, os.path.join(d, "cli.geojson"), "--params", params,
                               "--cm", "117", "--quiet")
            self.assertEqual(status, 0)
            self.assertEqual(karvento.transform.move_layer(layer, os.path.join(d, "py.geojson"), params=params,
                                                           cm=117), 2)
            with open(os.path.join(d, "cli.geojson")) as a, open(os.path.join(d, "py.geojson")) as b:
                self.assertEqual(a.read(), b.read())

    def test_tag_and_clip_write_the_command_lines_files(self):
        # The same request read by the command's reader and run by its
        # routine: the same files, byte for byte, as karvento-cli's.
        def same_files(mine, theirs):
            names = sorted(os.path.relpath(os.path.join(r, f), mine) for r, _, fs in os.walk(mine) for f in fs)
            self.assertEqual(names, sorted(os.path.relpath(os.path.join(r, f), theirs)
                                           for r, _, fs in os.walk(theirs) for f in fs))
            self.assertTrue(names)
            for n in names:
                # A sheet's metadata records when it was cut.
                with open(os.path.join(mine, n), "rb") as a, open(os.path.join(theirs, n), "rb") as b:
                    self.assertEqual([line for line in a if not line.startswith(b'  "date": ')],
                                     [line for line in b if not line.startswith(b'  "date": ')], n)

        def geojson(path, features, crs=None):
            head = f'"crs":{{"type":"name","properties":{{"name":"{crs}"}}}},' if crs else ""
            with open(path, "w") as f:
                f.write('{"type":"FeatureCollection",' + head + '"features":[' + ",".join(
                    f'{{"type":"Feature","properties":{{"id":{k}}},"geometry":{g}}}' for k, g in enumerate(features))
                    + "]}")

        with tempfile.TemporaryDirectory() as d:
            os.mkdir(d + "/in")
            layer, plane, src = d + "/in/layer.geojson", d + "/in/plane.geojson", d + "/src"
            geojson(layer, ['{"type":"Point","coordinates":[116.4167,39.9583]}',
                            '{"type":"LineString","coordinates":[[116.30,39.95],[116.52,39.99]]}',
                            '{"type":"Polygon","coordinates":[[[116.35,39.90],[116.48,39.91],[116.40,40.02],'
                            '[116.35,39.90]]]}', "null"], "EPSG:4490")
            parcels = d + "/in/parcels.geojson"
            geojson(parcels, ['{"type":"Polygon","coordinates":[[[116.35,39.90],[116.48,39.91],[116.40,40.02],'
                              '[116.35,39.90]]]}'], "EPSG:4490")
            geojson(plane, ['{"type":"Point","coordinates":[39500000.5,4429607.4]}'], "EPSG:2415")
            os.mkdir(src)
            with open(src + "/dem.asc", "w") as f:
                f.write("ncols 400\nnrows 300\nxllcorner 39497000\nyllcorner 4426000\ncellsize 20\n")
                f.writelines(" ".join(str(1 + (x + y) % 250) for x in range(400)) + "\n" for y in range(300))
            with open(d + "/numbers.txt", "w") as f:
                f.write("J50G001048\nK50G096049\n")
            tag_cases = [
                (dict(scale=["1:1万", "1:5万"], standard="both"), ["--scale", "1:1万,1:5万", "--standard", "both"],
                 layer, "t.geojson"),
                (dict(scale=2000, cover=True, explode=True, ascii_names=True),
                 ["--scale", "2000", "--cover", "--explode", "--ascii-names"], layer, "t.csv"),
                (dict(scale="1:1万", datum="54"), ["--scale", "1:1万", "--datum", "54"], plane, "t.mif"),
            ]
            for k, (options, words, source, name) in enumerate(tag_cases):
                with self.subTest(tag=words):
                    mine, theirs = os.path.join(d, f"tag{k}py"), os.path.join(d, f"tag{k}cli")
                    os.mkdir(mine), os.mkdir(theirs)
                    status, _, _ = cli("tag", source, *words, "--output", os.path.join(theirs, name), "--quiet")
                    self.assertEqual(status, 0)
                    summary = karvento.tag(source, os.path.join(mine, name), **options)
                    same_files(mine, theirs)
                    self.assertEqual(summary["features"], 4 if source == layer else 1)
                    self.assertEqual(summary["empty"], 1 if source == layer else 0)
            grid = ["--s-srs", "EPSG:4527"]
            clip_cases = [
                (dict(margin="10mm"), ["--margin", "10mm"], src + "/dem.asc"),
                (dict(numbers=["J50G001048", "K50G096049"], layout="folder", mask="white", margin="5px",
                      names="old"),
                 ["--input", d + "/numbers.txt", "--layout", "folder", "--mask", "white", "--margin", "5px",
                  "--names", "old"], src + "/dem.asc"),
                (dict(extent=(116.38, 39.9, 116.45, 40.0), format="shp", s_srs=None), ["--from", "116.38,39.9",
                 "--to", "116.45,40.0", "--format", "shp"], parcels),
            ]
            for k, (options, words, source) in enumerate(clip_cases):
                with self.subTest(clip=words):
                    mine, theirs = os.path.join(d, f"clip{k}py"), os.path.join(d, f"clip{k}cli")
                    srs = grid if source.endswith(".asc") else []
                    status, _, message = cli("clip", source, "--scale", "1:1万", *srs, *words, "--output", theirs,
                                             "--quiet")
                    self.assertEqual(status, 0, message)
                    options = dict(dict(s_srs="EPSG:4527"), **options)
                    seen = []
                    summary = karvento.clip(source, mine, "1:1万", progress=lambda *p: seen.append(p), **options)
                    same_files(mine, theirs)
                    self.assertEqual(summary["summary"], os.path.join(mine, "clip-summary.csv"))
                    self.assertEqual(seen[-1][:2], (summary["written"], summary["written"]))
                    self.assertFalse(summary["cancelled"])

            # Cancels: tag reports every 4096 features read and writes nothing
            # when cancelled; clip stops after the sheet being cut.
            many = os.path.join(d, "many.geojson")
            geojson(many, [f'{{"type":"Point","coordinates":[{116 + k * 1e-4},40.1]}}' for k in range(5000)],
                    "EPSG:4490")
            seen = []
            self.assertEqual(karvento.tag(many, d + "/many.gpkg", 10000, progress=seen.append)["rows"], 5000)
            self.assertEqual(seen, [4096])
            with self.assertRaises(karvento.Cancelled) as cancelled:
                karvento.tag(many, d + "/cancelled.gpkg", 10000, progress=lambda n: False)
            self.assertEqual(str(cancelled.exception), "导出已取消。")
            self.assertFalse(os.path.exists(d + "/cancelled.gpkg"))
            with self.assertRaises(ZeroDivisionError):
                karvento.tag(many, d + "/raised.gpkg", 10000, progress=lambda n: 1 / 0)
            self.assertFalse(os.path.exists(d + "/raised.gpkg"))
            summary = karvento.clip(src + "/dem.asc", d + "/stopped", 10000, s_srs="EPSG:4527", workers=1,
                                    progress=lambda done, total, size: False)
            self.assertEqual((summary["written"], summary["cancelled"]), (1, True))

            # Refusals: the command line's text, nothing written.
            errors = [
                (["tag", layer, "--scale", "10000", "--standard", "all", "--output", d + "/e.gpkg"],
                 lambda: karvento.tag(layer, d + "/e.gpkg", 10000, standard="all")),
                (["tag", layer, "--scale", "10000", "--output", d + "/e.txt"],
                 lambda: karvento.tag(layer, d + "/e.txt", 10000)),
                (["tag", plane, "--scale", "10000", "--datum", "2000", "--output", d + "/e.gpkg"],
                 lambda: karvento.tag(plane, d + "/e.gpkg", 10000, datum="2000")),
                (["clip", src + "/dem.asc", "--scale", "10000", "--margin", "2furlongs", "--output", d + "/e"],
                 lambda: karvento.clip(src + "/dem.asc", d + "/e", 10000, margin="2furlongs")),
                (["clip", src + "/dem.asc", "--scale", "10000", "--sheet", "J50G001048", "--from", "116,39",
                  "--to", "117,40", "--output", d + "/e"],
                 lambda: karvento.clip(src + "/dem.asc", d + "/e", 10000, numbers=["J50G001048"],
                                       extent=(116, 39, 117, 40))),
                (["clip", src + "/dem.asc", "--scale", "10000", "--output", src + "/e"],
                 lambda: karvento.clip(src + "/dem.asc", src + "/e", 10000)),
            ]
            for words, call in errors:
                with self.subTest(words=words):
                    status, _, message = cli(*words)
                    self.assertNotEqual(status, 0)
                    self.assertEqual(error_of(call), message)
            self.assertFalse(os.path.exists(d + "/e.gpkg") or os.path.exists(d + "/e") or os.path.exists(src + "/e"))

    @unittest.skipUnless(importlib.util.find_spec("geopandas"), "geopandas is not installed")
    def test_to_geopandas(self):
        s = karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0), scale="1:5000", datum="80", cm=117)
        a, g = s.to_numpy(), s.to_geopandas()
        self.assertEqual(g.crs.to_epsg(), 4610)
        self.assertEqual(len(g), len(a))
        self.assertEqual(list(g["number"]), list(a["number"]))
        self.assertTrue(np.array_equal(g["x_sw"].to_numpy(), a["x_sw"]))
        bounds = g.geometry.bounds
        for edge, name in [("minx", "west"), ("miny", "south"), ("maxx", "east"), ("maxy", "north")]:
            self.assertTrue(np.array_equal(bounds[edge].to_numpy(), a[name]), edge)
        with warnings.catch_warnings():  # an area in degrees, which is what is checked
            warnings.simplefilter("ignore")
            area = g.geometry.area
        self.assertTrue(np.allclose(area, (a["east"] - a["west"]) * (a["north"] - a["south"])))

    def test_errors_have_the_command_lines_text(self):
        cases = [
            (["at", "190,40"], lambda: karvento.at(190, 40)),
            (["at", "-1,40"], lambda: karvento.at(np.array([120.0, -1.0]), 40)),
            (["sheets", "--from", "117,40", "--to", "116,41"],
             lambda: karvento.sheets(extent=(117, 40, 116, 41))),
            (["sheets", "--from", "116,40", "--to", "117,41", "--datum", "55"],
             lambda: karvento.sheets(extent=(116, 40, 117, 41), datum="55")),
            (["sheets", "--from", "116,40", "--to", "117,41", "--scale", "1:3万"],
             lambda: karvento.sheets(extent=(116, 40, 117, 41), scale="1:3万")),
            (["sheets", "--from", "116,40", "--to", "117,41", "--scale", "1:500", "--standard", "old"],
             lambda: karvento.sheets(extent=(116, 40, 117, 41), scale=500, standard="old")),
            (["convert", "J-50-5", "--to-scale", "1:2000", "--direction", "new-to-old"],
             lambda: karvento.convert("J-50-5", to_scale=2000, direction="new-to-old")),
            (["convert", "J50D001005X", "--to-scale", "1:5万"], lambda: karvento.convert("J50D001005X", 50000)),
            (["convert", "J50D999005", "--to-scale", "1:5万"], lambda: karvento.convert("J50D999005", 50000)),
            (["project", "--cm", "117", "150", "40"], lambda: karvento.project(150, 40, cm=117)),
            (["project", "--cm", "117", "200", "40"], lambda: karvento.project(200, 40, cm=117)),
            (["project", "--inverse", "116", "40"], lambda: karvento.inverse(116, 40)),
            (["transform", "solve", "/nonexistent.csv", "--model", "bursa7", "--from", "54", "--to", "2000"],
             lambda: karvento.transform.solve("/nonexistent.csv", model="bursa7", source="54", target="2000")),
            (["transform", "apply", "--params", "/nonexistent.k7p"],
             lambda: karvento.transform.apply(1.0, 2.0, params="/nonexistent.k7p")),
        ]
        for words, call in cases:
            with self.subTest(words=words):
                status, _, message = cli(*words)
                self.assertNotEqual(status, 0)
                self.assertTrue(message)
                self.assertEqual(error_of(call), message)
        self.assertTrue(issubclass(karvento.Error, ValueError))
        # check reports each bad number with the command's text and goes on.
        for bad in ["J50D999005", "X-1", "J-50-5-(300)"]:
            _, _, message = cli("check", bad)
            self.assertEqual(karvento.check(["J-50-5", bad])[1]["error"], message)

    def test_a_million_points(self):
        # 1,000,000 points over China: the module's numbers are those of
        # karvento-cli at reading the same points a line each.
        rng = np.random.default_rng(7)
        lon = rng.uniform(73.0, 135.0, 1_000_000)
        lat = rng.uniform(18.0, 53.0, 1_000_000)
        got = karvento.at(lon, lat, scale="1:1万")
        self.assertEqual(got.shape, (1_000_000,))
        text = "".join(f"{x!r} {y!r}\n" for x, y in zip(lon.tolist(), lat.tolist()))
        status, out, _ = cli("at", "--scale", "1:1万", "--standard", "new", stdin=text)
        self.assertEqual(status, 0)
        want = [line.split("\t")[2] for line in out.splitlines()]
        self.assertEqual(len(want), 1_000_000)
        self.assertTrue(np.array_equal(got, np.array(want)))
        # Arrays of any shape; a scalar broadcasts.
        self.assertEqual(karvento.at(lon[:6].reshape(2, 3), 40.0).shape, (2, 3))


if __name__ == "__main__":
    unittest.main(verbosity=1)
