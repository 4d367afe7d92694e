// SPDX-License-Identifier: Apache-2.0
// 图幅号赋值: the sheet numbers of every feature of a vector layer, at one or
// more scales, written into a copy of the layer with every attribute and the
// geometry kept.
//
// Which sheets a feature gets:
//  - a point: the sheet that contains it, by the rule of SheetNumberAtPoint
//    (a point on a sheet edge belongs to the sheet east of the meridian and
//    north of the parallel); the points of a multipoint each so;
//  - a line: every sheet in which a stretch of it of positive length lies,
//    each sheet taken with its west and south edges and without its east and
//    north ones (the point rule, applied along the line): a line that only
//    crosses a sheet line gets the sheets on either side, a line that runs
//    along a meridian gets the sheet east of it;
//  - a polygon: every sheet whose open rectangle meets its interior
//    (SheetSelection of numbering/area.h, with its edge rule: vertices within
//    kOnGridLine of a grid line lie on it), so that a parcel that only
//    touches a sheet along an edge does not get it. A ring of no area counts
//    as its boundary line.
// Line vertices are put on a grid line under the same edge rule as
// polygons'. Sheets are listed in the order of the sheet walk: columns west
// to east, each north to south. Coverage shares (cover) are the feature's
// length or area in each sheet over its whole, planar in longitude and
// latitude (lengths with the longitude scaled by the cosine of the latitude):
// within 0.1% of the shares on the ground for features of tens of km.
//
// Coordinates: the layer is read in its own coordinate system. A
// Gauss-Krüger layer on one of the sheets' datums (its EPSG system or the
// same transverse Mercator in WKT, eastings with or without the zone
// number) is inverted with this program's own projection of the zone
// (MakeZoneParams of the layer's central meridian), exactly as `at --plane`
// inverts a point; other systems go through PROJ to their own geographic
// system. A layer on another datum than the sheets' is refused unless the
// request relates the two (a transformation of geodesy/transform.h, either
// direction); WGS 84 and CGCS2000 are taken as one (they differ by less than
// a metre). There is no silent null shift: between Beijing 1954 or Xi'an
// 1980 and CGCS2000 the same coordinates lie up to about 100 m apart.
//
// The input is read under the rules of area files: a local file or folder,
// no GDAL virtual file system, no URL, local vector drivers only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geodesy/datum.h"
#include "geodesy/transform.h"
#include "numbering/message.h"
#include "numbering/scales.h"

namespace karvento {

enum class TagFormat : std::uint8_t { Shapefile, GeoPackage, GeoJson, Csv, Kml, Mif };

// The output format of a file name by its extension, case aside (.shp,
// .gpkg, .geojson or .json, .csv, .kml, .mif); false for any other. Inline:
// the command line asks before it loads the GIS module.
inline bool TagFormatOfName(const std::string& file, TagFormat& format) {
  const std::size_t dot = file.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : file.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == "shp") format = TagFormat::Shapefile;
  else if (ext == "gpkg") format = TagFormat::GeoPackage;
  else if (ext == "geojson" || ext == "json") format = TagFormat::GeoJson;
  else if (ext == "csv") format = TagFormat::Csv;
  else if (ext == "kml") format = TagFormat::Kml;
  else if (ext == "mif") format = TagFormat::Mif;
  else return false;
  return true;
}

struct LayerTagRequest {
  std::string input;
  std::string layer;  // empty: the first layer
  std::string output;
  TagFormat format = TagFormat::GeoPackage;
  // The sheets' datum; unset: the layer's own (WGS 84: CGCS2000). A layer
  // without a coordinate system needs it and is taken to be on it (or on
  // the transformation's other datum where one is given).
  std::optional<Datum> sheetDatum;
  // The zone of a plane layer without a coordinate system (cm > 0). A plane
  // layer with one names its own zone; a cm that contradicts it is refused.
  bool zone3 = true;
  double cm = 0;
  // The zone a plane layer without a coordinate system is read on where cm
  // names none: the window's tab, which says nothing of a layer with a
  // system or of one in longitude and latitude.
  double defaultCm = 0;
  // The relation between the layer's datum and the sheets' (Shift3 or
  // Bursa7 geodetic, Plane4 on the zone of its parameters), used forward or
  // inverse as the two datums ask.
  std::optional<TransformParams> transform;
  std::vector<ScaleIndex> scales;  // at least one, each once
  bool newStandard = true, oldStandard = false;
  // One row per feature and sheet of the finest scale (the coarser scales'
  // fields hold the sheets that contain it), instead of one row per feature
  // with the numbers joined by ";".
  bool explode = false;
  bool cover = false;       // a share field beside each number field
  bool asciiNames = false;  // sheet_10000, old_10000, cover_10000
};

struct LayerTagResult {
  std::uint64_t features = 0;  // read
  std::uint64_t rows = 0;      // written
  std::uint64_t outside = 0;   // features with no point in the numbered domain: no number
  std::uint64_t empty = 0;     // features without geometry: no number
  // What the user should know (a layer taken on an assumed system, WGS 84
  // taken as CGCS2000, the transformation used, Shapefile field names), one
  // sentence each; empty when nothing needs saying.
  std::vector<Message> notices;
};

// The names of the fields of one scale: the number of each standard asked
// and its share. Shapefile fields hold 10 bytes: S_10000, O_10000, C_10000
// (C_10000O for the old standard's share when both are asked; the shares of
// the two standards are the same sheets', so only one is written).
struct TagFieldNames {
  std::string fresh, old, cover;
};
TagFieldNames TagFields(ScaleIndex scale, TagFormat format, bool asciiNames);

// The messages, as codes (numbering/message.h), %s in order.
inline constexpr char kTagCannotRead[] = N_("无法读取图层 %s：%s");
inline constexpr char kTagCannotReadBecause[] = N_("无法读取图层 %s：%s（%s）");
// The layer's datum and the sheets' (their names). The two legacy datums and
// CGCS2000 differ by a few tens of metres up to about 100 m over China, and
// have no official transformation between them.
inline constexpr char kTagOtherDatumMessage[] =
    N_("图层的坐标在 %s 上，图幅在 %s 上：两者之间没有官方转换，同一组坐标在两个坐标系中相差可达约 100 米，"
       "直接按原坐标赋图幅号会使图廓附近的要素得到错误的图幅号。请用 --transform 参数文件给出两者的转换关系，"
       "或用 --datum 选择图层所在的坐标系。");
// The feature, the scale, the count of sheets and the bytes.
inline constexpr char kTagShapefileFieldMessage[] =
    N_("要素 %s 在 %s 有 %s 幅图，图幅号连起来 %s 字节，超过 Shapefile 文本字段的 254 字节：请用 --explode（每个要素的每幅图一行）或改用 GeoPackage。");
inline constexpr char kTagNoSystemGeographic[] = N_("图层没有坐标系：其坐标按 %s 的经纬度使用。");
inline constexpr char kTagNoSystemPlane[] =
    N_("图层没有坐标系：其坐标按 %s 的高斯-克吕格平面坐标（%s 度带，中央经线 %s°）使用。");
inline constexpr char kTagThroughProj[] = N_("图层的坐标系 %s 经 PROJ 换算到 %s 的经纬度。");
inline constexpr char kTagThroughWgs84[] =
    N_("图层的坐标系 %s 经 PROJ 换算到 WGS 84 的经纬度，按 %s 使用（两者相差不到 1 米）。");
inline constexpr char kTagNoTransformation[] =
    N_("图层的坐标系 %s 与 %s 之间没有已知的坐标转换：只能原样使用其坐标，两者可能相差上百米。"
       "请先给图层指定其真正的坐标系（例如北京54、西安80或2000国家大地坐标系的 EPSG 代码）");
inline constexpr char kTagGeocentricAsIs[] =
    N_("图层的坐标系 %s 与 %s 之间没有已知的坐标转换；两者都是地心坐标系，其坐标按原样使用（相差通常在数米以内）。");
inline constexpr char kTagCmContradicts[] = N_("--cm %s 与图层坐标系的中央经线 %s 不符");
inline constexpr char kTagParamsMismatch[] = N_("转换参数从 %s 到 %s，图层却在 %s 上、图幅在 %s 上");
inline constexpr char kTagTransformed[] = N_("按转换参数：%s");
inline constexpr char kTagTransformedInverse[] = N_("按转换参数的反算：%s");
inline constexpr char kTagKmlLegacy[] =
    N_("KML 的经纬度是 WGS 84 的：%s 上的图层不能写成 KML（没有官方转换）。请改用 GeoPackage 或 Shapefile");
inline constexpr char kTagFeatureBeyond[] = N_("要素 %s 的坐标超出了换算的范围");
inline constexpr char kTagOutsideCount[] =
    N_("%s 个要素不在图幅编号的范围内（经度 0° 至 180°，纬度 0° 至 90°），没有图幅号。");
inline constexpr char kTagEmptyCount[] = N_("%s 个要素没有几何，没有图幅号。");
inline constexpr char kTagNoDriver[] = N_("GDAL 没有驱动 %s");
inline constexpr char kTagNeedsDatum[] = N_("图层没有坐标系：请用 --datum 说明其坐标所在的坐标系");
inline constexpr char kTagNeedsZone[] =
    N_("图层没有坐标系，其坐标不是经纬度：请用 --zone 和 --cm 给出其高斯-克吕格投影带");
inline constexpr char kTagTransformNotForLayer[] =
    N_("图层不在北京54、西安80或2000国家大地坐标系上，--transform 的参数不适用于它");
inline constexpr char kTagCannotUnproject[] = N_("无法换算到其经纬度");
inline constexpr char kTagWgs84[] = N_("图层在 WGS 84 上，按 2000国家大地坐标系使用（两者相差不到 1 米）。");
inline constexpr char kTagPlane4NeedsPlane[] = N_("四参数转换只用于高斯-克吕格平面坐标的图层");
inline constexpr char kTagPlane4Zone[] = N_("四参数转换的投影带与图层的不同");
inline constexpr char kTagPlane4Meridian[] = N_("四参数转换的中央经线与图层的不同");
inline constexpr char kTagShapefileNames[] =
    N_("Shapefile 的字段名至多 10 字节：图幅号、旧图幅号和覆盖比例的字段名为 S_分母、O_分母、C_分母。");
inline constexpr char kTagNoScale[] = N_("请给出至少一个比例尺");
inline constexpr char kTagNoStandard[] = N_("请给出新图幅号或旧图幅号");

// Tags the features of the input into the output through the safe writer:
// complete, or not there at all. Throws Error with the file and the reason
// (a refusal above, the layer that cannot be read, GDAL's reason for a file
// that cannot be written). progress, when given, is called with the count
// of features read every few thousand features; returning false cancels
// (kExportCancelled).
LayerTagResult TagLayer(const LayerTagRequest& request,
                        const std::function<bool(std::uint64_t)>& progress = {});

}  // namespace karvento
