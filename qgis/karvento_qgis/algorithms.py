# SPDX-License-Identifier: Apache-2.0
"""The provider's algorithms: thin calls of the module karvento, which does
every computation and writes every file."""

import os

from qgis.core import (QgsCoordinateReferenceSystem, QgsCoordinateTransform, QgsFeature, QgsFeatureSink, QgsFields,
                       QgsGeometry, QgsPointXY, QgsProcessingAlgorithm, QgsProcessingException,
                       QgsProcessingLayerPostProcessorInterface, QgsProcessingParameterBoolean,
                       QgsProcessingParameterEnum, QgsProcessingParameterExtent, QgsProcessingParameterFeatureSink,
                       QgsProcessingParameterFeatureSource, QgsProcessingParameterField,
                       QgsProcessingParameterFolderDestination, QgsProcessingParameterMapLayer,
                       QgsProcessingParameterNumber, QgsProcessingParameterString,
                       QgsProcessingParameterVectorDestination, QgsProcessingUtils, QgsWkbTypes)

from . import common
from .common import DATUMS, DEFAULT_SCALE, SCALES, advanced, cm_value, field, module
from .texts import tr


class _Algorithm(QgsProcessingAlgorithm):
    key = ""

    def createInstance(self):
        return type(self)()

    def name(self):
        return self.key

    def displayName(self):
        return tr(self.key)

    def shortHelpString(self):
        return tr(self.key + "_help")

    def _datum(self, parameters, context):
        return DATUMS[self.parameterAsEnum(parameters, "DATUM", context)][0]

    def _add_datum(self, zone_by_scale=False):
        self.addParameter(QgsProcessingParameterEnum("DATUM", tr("datum"), [d[1] for d in DATUMS], defaultValue=0))
        zones = ([tr("zone_scale")] if zone_by_scale else []) + ["3°", "6°"]
        self.addParameter(QgsProcessingParameterEnum("ZONE", tr("zone"), zones, defaultValue=0))
        self.addParameter(QgsProcessingParameterNumber("CM", tr("cm"), common.DOUBLE, 0.0, False, 0.0, 180.0))

    def _zone(self, parameters, context, zone_by_scale=False):
        z = self.parameterAsEnum(parameters, "ZONE", context)
        if zone_by_scale:
            return None if z == 0 else (3 if z == 1 else 6)
        return 3 if z == 0 else 6


class _CrsFromPrj(QgsProcessingLayerPostProcessorInterface):
    """A DXF has no place for a coordinate system: the module writes it as a
    .prj beside the drawing, which this gives the loaded layer."""

    def __init__(self, prj):
        super().__init__()
        self.prj = prj

    def postProcessLayer(self, layer, context, feedback):  # noqa: N802
        if layer.crs().isValid() or not os.path.exists(self.prj):
            return
        with open(self.prj, encoding="utf-8") as f:
            crs = QgsCoordinateReferenceSystem.fromWkt(f.read())
        if crs.isValid():
            layer.setCrs(crs)


# Post-processors must outlive the algorithm that made them.
_post_processors = []


def _polygons(geometry):
    """A QGIS polygon geometry as the module's polygons of rings of (lon, lat)."""
    polys = geometry.asMultiPolygon() if geometry.isMultipart() else [geometry.asPolygon()]
    return [[[(p.x(), p.y()) for p in ring] for ring in poly] for poly in polys if poly]


class SheetIndex(_Algorithm):
    """创建图幅索引: karvento.sheets(...).write(path), karvento-cli sheets --output."""
    key = "sheetindex"

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterExtent("EXTENT", tr("extent"), optional=True))
        self.addParameter(QgsProcessingParameterFeatureSource("AREA", tr("area"), [common.SOURCE_POLYGON],
                                                              optional=True))
        self.addParameter(QgsProcessingParameterEnum("SCALE", tr("scale"), SCALES, defaultValue=DEFAULT_SCALE))
        self.addParameter(QgsProcessingParameterEnum("STANDARD", tr("standard"),
                                                     [tr("standard_new"), tr("standard_old")], defaultValue=0))
        self._add_datum()
        self.addParameter(QgsProcessingParameterEnum("COORDS", tr("coords"),
                                                     [tr("coords_geo"), tr("coords_plane")], defaultValue=0))
        self.addParameter(advanced(QgsProcessingParameterNumber("MIN_COVER", tr("min_cover"), common.DOUBLE,
                                                                0.0, False, 0.0, 1.0)))
        self.addParameter(advanced(QgsProcessingParameterBoolean("CORNERS_ONLY", tr("corners_only"), False)))
        self.addParameter(QgsProcessingParameterVectorDestination("OUTPUT", tr("output")))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        k = module()
        datum = self._datum(parameters, context)
        geo = common.geographic_crs(datum)
        request = dict(scale=SCALES[self.parameterAsEnum(parameters, "SCALE", context)],
                       standard=["new", "old"][self.parameterAsEnum(parameters, "STANDARD", context)],
                       datum=datum, zone=self._zone(parameters, context),
                       cm=cm_value(self.parameterAsDouble(parameters, "CM", context)))
        area = self.parameterAsSource(parameters, "AREA", context)
        if area is not None:
            to_geo = QgsCoordinateTransform(area.sourceCrs(), geo, context.transformContext())
            polygons = []
            for f in area.getFeatures():
                if feedback.isCanceled():
                    return {}
                g = QgsGeometry(f.geometry())
                if g.isEmpty():
                    continue
                g.transform(to_geo)
                polygons.extend(_polygons(g))
            request.update(polygon=polygons,
                           min_cover=self.parameterAsDouble(parameters, "MIN_COVER", context))
        elif parameters.get("EXTENT"):
            r = self.parameterAsExtent(parameters, "EXTENT", context, geo)
            request.update(extent=(r.xMinimum(), r.yMinimum(), r.xMaximum(), r.yMaximum()))
        else:
            raise QgsProcessingException(tr("no_extent"))
        output = self.parameterAsOutputLayer(parameters, "OUTPUT", context)
        feedback.setProgress(1)

        def progress(done, total):
            # An area's count is known only at the end: then the bar stays.
            if total:
                feedback.setProgress(min(99.0, 100.0 * done / total))
            return not feedback.isCanceled()

        try:
            k.sheets(**request).write(output, coords=["geo", "plane"][
                self.parameterAsEnum(parameters, "COORDS", context)],
                corners_only=self.parameterAsBoolean(parameters, "CORNERS_ONLY", context),
                progress=progress)
        except k.Cancelled:
            return {}
        except k.Error as e:
            raise QgsProcessingException(str(e))
        feedback.setProgress(100)
        if output.lower().endswith(".dxf") and context.willLoadLayerOnCompletion(output):
            p = _CrsFromPrj(os.path.splitext(output)[0] + ".prj")
            _post_processors.append(p)
            context.layerToLoadOnCompletionDetails(output).setPostProcessor(p)
        return {"OUTPUT": output}


class CheckNumbers(_Algorithm):
    """图幅号检查与转换: karvento.check and karvento.convert over the rows of a
    layer or table, one status per row."""
    key = "checknumbers"

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource("INPUT", tr("input"), [common.SOURCE_ANY]))
        self.addParameter(QgsProcessingParameterField("FIELD", tr("field"), "图幅号", "INPUT"))
        self.addParameter(QgsProcessingParameterEnum("OPERATION", tr("operation"),
                                                     [tr("op_check"), tr("op_convert")], defaultValue=0))
        self.addParameter(QgsProcessingParameterEnum("TO_SCALE", tr("to_scale"), SCALES,
                                                     defaultValue=DEFAULT_SCALE))
        self.addParameter(QgsProcessingParameterEnum(
            "DIRECTION", tr("direction"), [tr("dir_auto"), tr("dir_old_new"), tr("dir_new_old")], defaultValue=0))
        self._add_datum()
        self.addParameter(QgsProcessingParameterFeatureSink("OUTPUT", tr("result")))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        k = module()
        source = self.parameterAsSource(parameters, "INPUT", context)
        name = self.parameterAsString(parameters, "FIELD", context)
        convert = self.parameterAsEnum(parameters, "OPERATION", context) == 1
        datum = self._datum(parameters, context)
        extra = QgsFields()
        names = (["源图幅号"] if convert else []) + ["图幅号", "标准", "WEST", "SOUTH", "EAST", "NORTH"]
        if convert:
            names += ["X1", "Y1", "X2", "Y2", "X3", "Y3", "X4", "Y4"]
        for n in names + ["状态", "说明"]:
            extra.append(field(n, "text" if n in ("源图幅号", "图幅号", "标准", "状态", "说明") else "real"))
        fields = QgsProcessingUtils.combineFields(source.fields(), extra)
        sink, dest = self.parameterAsSink(parameters, "OUTPUT", context, fields, QgsWkbTypes.Polygon,
                                          common.geographic_crs(datum))
        options = dict(to_scale=SCALES[self.parameterAsEnum(parameters, "TO_SCALE", context)],
                       direction=["auto", "old-to-new", "new-to-old"][
                           self.parameterAsEnum(parameters, "DIRECTION", context)],
                       datum=datum, zone=self._zone(parameters, context),
                       cm=cm_value(self.parameterAsDouble(parameters, "CM", context)))
        total = max(source.featureCount(), 1)
        failed = rows = 0
        for i, f in enumerate(source.getFeatures()):
            if feedback.isCanceled():
                break
            rows += 1
            value = f[name]
            number = "" if value is None or str(value) == "NULL" else str(value).strip().upper()
            records, error = [], None
            if not number:
                error = tr("empty_number")
            elif convert:
                try:
                    records = k.convert(number, **options)
                except k.Error as e:
                    error = str(e)
            else:
                checked = k.check(number)[0]
                error = checked.get("error")
                records = [] if error else [checked]
            if error:
                failed += 1
                feedback.reportError(tr("row_error", i + 1, error), False)
                records = [None]
            for r in records:
                out = QgsFeature(fields)
                values = list(f.attributes())
                if r is None:
                    values += [None] * (len(names)) + ["error", error]
                else:
                    w, s, e, n = r["west"], r["south"], r["east"], r["north"]
                    values += ([r["source"]] if convert else []) + [
                        r["number"], r.get("standard"),
                        w, s, e, n]
                    if convert:
                        values += [c for corner in r["corners"] for c in corner]
                    values += ["ok", ""]
                    out.setGeometry(QgsGeometry.fromPolygonXY([[QgsPointXY(w, n), QgsPointXY(e, n),
                                                                QgsPointXY(e, s), QgsPointXY(w, s),
                                                                QgsPointXY(w, n)]]))
                out.setAttributes(values)
                sink.addFeature(out, QgsFeatureSink.FastInsert)
            feedback.setProgress(100.0 * (i + 1) / total)
        if failed:
            feedback.reportError(tr("rows_failed", rows, failed), False)
        return {"OUTPUT": dest, "FAILED": failed}


class Frames(_Algorithm):
    """图廓: karvento.frame for each (selected) feature's number, one file per
    sheet; a bad number is reported and the others drawn."""
    key = "frame"

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource("INPUT", tr("input"), [common.SOURCE_ANY]))
        self.addParameter(QgsProcessingParameterField("FIELD", tr("field"), "图幅号", "INPUT"))
        self.addParameter(QgsProcessingParameterEnum("FORMAT", tr("format"), ["DXF", "PDF"], defaultValue=0))
        self._add_datum(zone_by_scale=True)
        self.addParameter(QgsProcessingParameterFolderDestination("OUTPUT", tr("folder")))
        self.addParameter(QgsProcessingParameterFeatureSink("REPORT", tr("report")))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        k = module()
        source = self.parameterAsSource(parameters, "INPUT", context)
        name = self.parameterAsString(parameters, "FIELD", context)
        fmt = ["dxf", "pdf"][self.parameterAsEnum(parameters, "FORMAT", context)]
        folder = self.parameterAsString(parameters, "OUTPUT", context)
        os.makedirs(folder, exist_ok=True)
        fields = QgsFields()
        for n in ("图幅号", "文件", "状态", "说明"):
            fields.append(field(n, "text"))
        sink, report = self.parameterAsSink(parameters, "REPORT", context, fields, QgsWkbTypes.NoGeometry,
                                            QgsCoordinateReferenceSystem())
        options = dict(datum=self._datum(parameters, context), zone=self._zone(parameters, context, True),
                       cm=cm_value(self.parameterAsDouble(parameters, "CM", context)))
        total = max(source.featureCount(), 1)
        seen, failed = set(), 0
        for i, f in enumerate(source.getFeatures()):
            if feedback.isCanceled():
                break
            value = f[name]
            number = "" if value is None or str(value) == "NULL" else str(value).strip().upper()
            path, error = "", None
            if not number:
                error = tr("empty_number")
            elif number in seen:
                error = tr("duplicate")
            else:
                seen.add(number)
                try:
                    k.frame(number, folder + os.sep, fmt, **options)
                    path = os.path.join(folder, number + "." + fmt)
                except k.Error as e:
                    error = str(e)
            if error:
                failed += 1
                feedback.reportError(tr("row_error", i + 1, error), False)
            out = QgsFeature(fields)
            out.setAttributes([number, path, "error" if error else "ok", error or ""])
            sink.addFeature(out, QgsFeatureSink.FastInsert)
            feedback.setProgress(100.0 * (i + 1) / total)
        return {"OUTPUT": folder, "REPORT": report, "FAILED": failed}


class Tag(_Algorithm):
    """图幅号赋值: karvento.tag (karvento-cli tag) over a layer, the layer
    handed over as a file (a memory layer or a selection exported first)."""
    key = "tag"

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource("INPUT", tr("input"), [common.SOURCE_ANY]))
        self.addParameter(QgsProcessingParameterEnum("SCALES", tr("scale"), SCALES, allowMultiple=True,
                                                     defaultValue=[DEFAULT_SCALE]))
        self.addParameter(QgsProcessingParameterEnum(
            "STANDARD", tr("standard"), [tr("standard_new"), tr("standard_old"), tr("standard_both")],
            defaultValue=0))
        self.addParameter(QgsProcessingParameterEnum("DATUM", tr("datum"), [tr("datum_layer")] +
                                                     [d[1] for d in DATUMS], defaultValue=0))
        self.addParameter(QgsProcessingParameterBoolean("COVER", tr("cover"), False))
        self.addParameter(QgsProcessingParameterBoolean("EXPLODE", tr("explode"), False))
        self.addParameter(QgsProcessingParameterVectorDestination("OUTPUT", tr("tagged")))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        k = module()
        layer, name = self.parameterAsCompatibleSourceLayerPathAndLayerName(
            parameters, "INPUT", context, ["gpkg", "shp", "geojson", "csv", "kml", "tab", "mif"], "gpkg", feedback)
        d = self.parameterAsEnum(parameters, "DATUM", context)
        total = max(self.parameterAsSource(parameters, "INPUT", context).featureCount(), 1)
        output = self.parameterAsOutputLayer(parameters, "OUTPUT", context)

        def progress(read):
            feedback.setProgress(min(99.0, 100.0 * read / total))
            return not feedback.isCanceled()

        try:
            r = k.tag(layer, output, [SCALES[i] for i in self.parameterAsEnums(parameters, "SCALES", context)],
                      standard=["new", "old", "both"][self.parameterAsEnum(parameters, "STANDARD", context)],
                      cover=self.parameterAsBoolean(parameters, "COVER", context),
                      explode=self.parameterAsBoolean(parameters, "EXPLODE", context),
                      datum=None if d == 0 else DATUMS[d - 1][0], layer_name=name or None, progress=progress)
        except k.Error as e:
            raise QgsProcessingException(str(e))
        for notice in r["notices"]:
            feedback.pushInfo(notice)
        if r["outside"] or r["empty"]:
            feedback.reportError(tr("tag_skipped", r["outside"], r["empty"]), False)
        feedback.setProgress(100)
        return {"OUTPUT": output}


class Clip(_Algorithm):
    """标准分幅裁切: karvento.clip (karvento-cli clip), the layer's file cut
    into the sheets of a scale, a file per sheet."""
    key = "clip"

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterMapLayer("INPUT", tr("clip_input")))
        self.addParameter(QgsProcessingParameterEnum("SCALE", tr("scale"), SCALES, defaultValue=DEFAULT_SCALE))
        self.addParameter(QgsProcessingParameterEnum("STANDARD", tr("standard"),
                                                     [tr("standard_new"), tr("standard_old")], defaultValue=0))
        self.addParameter(QgsProcessingParameterString("MARGIN", tr("margin"), "0mm"))
        self.addParameter(QgsProcessingParameterFolderDestination("OUTPUT", tr("folder")))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        k = module()
        layer = self.parameterAsLayer(parameters, "INPUT", context)
        source = layer.source().split("|")[0]
        folder = self.parameterAsString(parameters, "OUTPUT", context)

        def progress(done, total, written):
            feedback.setProgress(100.0 * done / max(total, 1))
            return not feedback.isCanceled()

        try:
            r = k.clip(source, folder, SCALES[self.parameterAsEnum(parameters, "SCALE", context)],
                       standard=["new", "old"][self.parameterAsEnum(parameters, "STANDARD", context)],
                       margin=self.parameterAsString(parameters, "MARGIN", context) or None, progress=progress)
        except k.Error as e:
            raise QgsProcessingException(str(e))
        return {"OUTPUT": folder, "SUMMARY": r["summary"], "WRITTEN": r["written"]}


ALGORITHMS = [SheetIndex, Tag, Clip, CheckNumbers, Frames]
