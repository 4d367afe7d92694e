# SPDX-License-Identifier: Apache-2.0
"""The provider's texts: Chinese, and English under an English QGIS
(QgsApplication.locale() starting with "en", as karvento-cli speaks English
under an en_* locale)."""

from qgis.core import QgsApplication

TEXTS = {
    "provider": ("Karvento 图幅号", "Karvento map sheets"),
    "sheetindex": ("创建图幅索引", "Create sheet index"),
    "sheetindex_help": (
        "列出范围（画布、图层或输入的范围）或多边形图层内的标准图幅，写成带坐标系的 GIS 文件"
        "（GeoPackage、Shapefile、KML、DXF），与 karvento-cli sheets 写出的文件相同。",
        "Lists the standard sheets of an extent (canvas, layer or typed) or of a polygon layer and writes "
        "them as a GIS file with its coordinate system (GeoPackage, Shapefile, KML, DXF), the same "
        "file as karvento-cli sheets writes."),
    "checknumbers": ("图幅号检查与转换", "Check and convert sheet numbers"),
    "checknumbers_help": (
        "检查图层或表格中一个字段的图幅号（旧图幅号、新图幅号或不是标准图幅号），或转换到另一标准的某一比例尺。"
        "每行输出一条记录，状态字段为 ok 或 error；不是标准图幅号的行不会中断运行。",
        "Checks the sheet numbers of one field of a layer or table (old standard, new standard or not "
        "standard), or converts them to the other standard at a scale. Every row gives a record whose "
        "status field is ok or error; a bad row does not stop the run."),
    "frame": ("图廓", "Map frames"),
    "frame_help": (
        "为图幅索引的（选中）要素绘制图廓，每幅一个 DXF 或 PDF 文件，与 karvento-cli frame 相同。",
        "Draws the map frame of each (selected) feature of a sheet index, one DXF or PDF file per sheet, "
        "as karvento-cli frame does."),
    "tag": ("图幅号赋值", "Sheet numbers of features"),
    "tag_help": (
        "给图层的每个要素加上其所在图幅的图幅号（每个比例尺和标准一个字段），属性和几何不变，与 karvento-cli tag 相同。",
        "Gives every feature of a layer the numbers of its sheets (a field per scale and standard), attributes "
        "and geometry kept, as karvento-cli tag does."),
    "standard_both": ("新旧图幅号", "Both standards"),
    "datum_layer": ("图层自身的坐标系", "The layer's own"),
    "cover": ("覆盖比例字段", "Cover fields"),
    "explode": ("每个要素和图幅一行", "One row per feature and sheet"),
    "tagged": ("赋值结果", "Tagged layer"),
    "tag_skipped": ("{0} 个要素在图幅编号范围外，{1} 个要素没有几何", "{0} features outside the numbered domain, {1} without geometry"),
    "clip": ("标准分幅裁切", "Cut into standard sheets"),
    "clip_help": ("把栅格或矢量图层按比例尺的标准图幅裁成每幅一个文件（以图幅号命名），与 karvento-cli clip 相同。",
                  "Cuts a raster or vector layer into the standard sheets of a scale, a file per sheet named by "
                  "its number, as karvento-cli clip does."),
    "clip_input": ("栅格或矢量图层", "Raster or vector layer"),
    "margin": ("外扩（10mm、100m、50px）", "Margin (10mm, 100m, 50px)"),
    "extent": ("范围", "Extent"),
    "area": ("范围多边形图层（可选，优先于范围）", "Area polygon layer (optional, used instead of the extent)"),
    "scale": ("比例尺", "Scale"),
    "standard": ("编号标准", "Numbering standard"),
    "standard_new": ("新图幅号", "New standard"),
    "standard_old": ("旧图幅号", "Old standard"),
    "datum": ("坐标系", "Datum"),
    "zone": ("分带", "Zone width"),
    "zone_scale": ("按比例尺", "By scale"),
    "cm": ("中央经度（0：每幅图按所在投影带）", "Central meridian (0: each sheet on its own zone)"),
    "coords": ("坐标", "Coordinates"),
    "coords_geo": ("经纬度", "Longitude and latitude"),
    "coords_plane": ("平面坐标", "Plane coordinates"),
    "min_cover": ("最小覆盖比例", "Minimum cover"),
    "corners_only": ("只用四个角点", "Four corners only"),
    "output": ("图幅索引", "Sheet index"),
    "input": ("输入图层或表格", "Input layer or table"),
    "field": ("图幅号字段", "Sheet number field"),
    "operation": ("操作", "Operation"),
    "op_check": ("检查", "Check"),
    "op_convert": ("转换", "Convert"),
    "to_scale": ("转换到比例尺", "Convert to scale"),
    "direction": ("转换方向", "Direction"),
    "dir_auto": ("自动", "Automatic"),
    "dir_old_new": ("旧-->新", "Old to new"),
    "dir_new_old": ("新-->旧", "New to old"),
    "result": ("结果", "Result"),
    "format": ("格式", "Format"),
    "folder": ("输出文件夹", "Output folder"),
    "report": ("运行报告", "Report"),
    "no_extent": ("请给出范围或范围多边形图层", "Give an extent or an area polygon layer"),
    "no_module": ("找不到 Python 模块 karvento（{0}）：请安装 Debian 软件包 karvento，或使用带模块的插件压缩包。",
                  "The Python module karvento is missing ({0}): install the Debian package karvento, or the "
                  "plugin zip that carries the module."),
    "row_error": ("第 {0} 行：{1}", "Row {0}: {1}"),
    "rows_failed": ("{0} 行中有 {1} 行出错，见状态字段", "{1} of {0} rows failed; see the status field"),
    "empty_number": ("没有图幅号", "no sheet number"),
    "duplicate": ("重复的图幅号", "sheet number given twice"),
    "panel": ("图幅号（鼠标处）", "Sheet under the mouse"),
    "copied": ("已复制 {0}", "Copied {0}"),
    "pick": ("点击复制图幅号", "Click to copy the number"),
}


def english() -> bool:
    return QgsApplication.locale().lower().startswith("en")


def tr(key: str, *args: object) -> str:
    zh, en = TEXTS[key]
    text = en if english() else zh
    return text.format(*args) if args else text
