# SPDX-License-Identifier: Apache-2.0
"""The module karvento answers as karvento-cli does: for each request of a
table, the module's result and the command line's output for the same
request are the same numbers, the same corners to the last bit and the same
error text. Run by CTest with Debian's interpreter:
    python3 test_karvento.py KARVENTO_CLI
with the build tree's python/ folder on PYTHONPATH.
"""

import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

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
