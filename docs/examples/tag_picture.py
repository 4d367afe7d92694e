# SPDX-License-Identifier: Apache-2.0
# The control points of the README's example of karvento-cli tag over their
# 1:1万 sheets.
import sys
from osgeo import ogr
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib import font_manager
fonts = [f for f in font_manager.findSystemFonts() if "wqy" in f.lower() or "noto" in f.lower() and "cjk" in f.lower()]
if fonts:
    font_manager.fontManager.addfont(fonts[0]); plt.rcParams["font.family"] = font_manager.FontProperties(fname=fonts[0]).get_name()
# Usage: tag_picture.py OUT.png, in a folder holding idx.gpkg (the sheets) and
# 控制点图幅.gpkg (the tagged points); see the README.
idx = ogr.Open("idx.gpkg"); pts = ogr.Open("控制点图幅.gpkg")
fig, ax = plt.subplots(figsize=(9, 5.6), dpi=110)
colours = {}
palette = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#e377c2", "#17becf"]
points = [(f.GetField("点名"), f.GetGeometryRef().GetX(), f.GetGeometryRef().GetY(), f.GetField("图幅号_1万")) for f in pts.GetLayer(0)]
used = sorted({p[3] for p in points})
for i, n in enumerate(used): colours[n] = palette[i % len(palette)]
for f in idx.GetLayer(0):
    n = f.GetField("图幅号"); g = f.GetGeometryRef().GetGeometryRef(0)
    xs = [g.GetX(i) for i in range(g.GetPointCount())]; ys = [g.GetY(i) for i in range(g.GetPointCount())]
    c = colours.get(n)
    ax.fill(xs, ys, color=c if c else "#eeeeee", alpha=0.18 if c else 0.5, lw=0)
    ax.plot(xs, ys, color="#555555", lw=0.8)
    ax.text(sum(xs[:4]) / 4, max(ys) - 0.004, n, ha="center", va="top", fontsize=8, color=c or "#888888", clip_on=True)
for name, x, y, n in points:
    ax.plot(x, y, marker="^", ms=9, color=colours[n], mec="black", mew=0.6)
    ax.annotate(name, (x, y), xytext=(5, 4), textcoords="offset points", fontsize=9)
ax.set_aspect(1 / 0.769)  # cos 39.75°
ax.set_xlim(116.1875, 116.375); ax.set_ylim(39.75 - 1 / 24, 39.75 + 1 / 24)
ax.set_xlabel("经度（°E，CGCS2000）"); ax.set_ylabel("纬度（°N）")
ax.set_title("karvento-cli tag：控制点与其 1:1万 图幅（GP01 在四幅图的公共角点上，属于东北的 J50G006037）", fontsize=10)
fig.tight_layout(); fig.savefig(sys.argv[1])
