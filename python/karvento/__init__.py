# SPDX-License-Identifier: Apache-2.0
"""Chinese national topographic map sheets, as karvento-cli works them out.

Every function calls the routines of the command line: the same sheet walk,
the same number checker and conversion, the same Gauss-Krüger projection
and the same writers. Arrays go in and come out where a scalar makes sense;
a request the command line refuses raises karvento.Error (a ValueError)
with the message the command line prints.

>>> import karvento
>>> karvento.at(116.4667, 39.9, scale=10000)
array('J50G003040', dtype='<U15')
"""

from __future__ import annotations

from typing import Any, Callable, Iterator, Optional, Sequence, Union

from ._karvento import Cancelled, Error, _Walk
from ._karvento import _clip, _frame, _tag
from ._karvento import at as _at
from ._karvento import check as _check
from ._karvento import convert as _convert
from ._karvento import inverse as _inverse
from ._karvento import neighbours as _neighbours
from ._karvento import project as _project
from . import transform

__all__ = ["Cancelled", "Error", "Sheets", "transform", "at", "check", "clip", "convert", "frame", "inverse",
           "neighbours", "project", "sheets", "tag", "write"]


def _options(**given: Any) -> list[str]:
    """Keyword arguments as the command line's options: name_with_underscores
    = value → --name-with-underscores value; True → the flag alone; None and
    False → nothing."""
    words: list[str] = []
    for name, value in given.items():
        if value is None or value is False:
            continue
        words.append("--" + name.replace("_", "-"))
        if value is not True:
            words.append(str(value))
    return words


def at(lon: Any, lat: Any, scale: Union[int, str] = 10000, standard: str = "new") -> Any:
    """The sheet numbers of points at one scale (karvento-cli at --scale S).

    lon, lat: decimal degrees, scalars or arrays of any shape (broadcast as
    numpy broadcasts them). scale: 10000, "1:10000" or "1:1万". standard:
    "new" or "old". Returns an array of str ('<U15') of lon's shape. A point
    on a sheet edge belongs to the sheet east and north of it. A point
    outside longitude 0–180 and latitude 0–90 (or NaN) raises Error.

    >>> karvento.at([116.4667, 120.0], [39.9, 40.0], scale="1:5万")
    array(['J50E001010', 'K51E024001'], dtype='<U15')
    """
    return _at(lon, lat, scale, standard)


def check(numbers: Union[str, Sequence[str]]) -> list[dict[str, Any]]:
    """Checks sheet numbers as karvento-cli check does.

    One dict per number: "number" (in capitals), "standard" ("old", "new"
    or None), "west", "south", "east", "north" (decimal degrees) for a
    standard number, and "error", the command line's message for one that
    is not (None otherwise). Never raises for a bad number.

    >>> karvento.check("J50D001005")[0]["standard"]
    'new'
    """
    return _check(numbers)


def convert(numbers: Union[str, Sequence[str]], to_scale: Union[int, str] = 10000, direction: str = "auto",
            datum: str = "54", zone: int = 3, cm: Union[float, str, None] = None) -> list[dict[str, Any]]:
    """The sheets of to_scale in the other standard that each number covers
    (karvento-cli convert), column by column, north first.

    direction: "auto" (each number by its own standard), "old-to-new" or
    "new-to-old". datum "54", "80" or "2000", zone 3 or 6 and cm (0 to 360;
    None or 0: each corner on its own zone) give the plane corners. Each
    record: "number", "source", "west", "south", "east", "north" and
    "corners" (NW, NE, SE, SW as (X, Y) in metres). A number that does not
    convert raises Error.

    >>> [s["number"] for s in karvento.convert("J-50-5", to_scale=50000)]
    ['J50E001009', 'J50E002009', 'J50E001010', 'J50E002010']
    """
    return _convert(numbers, to_scale, direction, datum, zone, cm)


def neighbours(number: str, datum: str = "54", zone: int = 3,
               cm: Union[float, str, None] = None) -> list[Optional[dict[str, Any]]]:
    """The 接合图表 of a sheet: nine records north-west to south-east, row
    by row, the sheet itself in the middle (index 4, "place" "C"); None for a
    neighbour beyond the numbered domain.

    >>> [n and n["number"] for n in karvento.neighbours("J50D001005")][4]
    'J50D001005'
    """
    return _neighbours(number, datum, zone, cm)


def project(lon: Any, lat: Any, datum: str = "54", zone: int = 3, cm: Union[float, str, None] = None) -> Any:
    """Gauss-Krüger forward projection (karvento-cli project): (X, Y) arrays,
    easting and northing in metres, of the broadcast shape of lon and lat.

    cm None or 0: each point on its own zone, no zone number in X. A point
    beyond the datum's domain raises Error.

    >>> karvento.project(116.5, 39.5, cm=117)
    (array(39456992.46515423), array(4374210.85618906))
    """
    return _project(lon, lat, datum, zone, cm)


def inverse(x: Any, y: Any, datum: str = "54", zone: int = 3, cm: Union[float, str, None] = None) -> Any:
    """Gauss-Krüger inverse (karvento-cli project --inverse): (lon, lat) arrays
    in decimal degrees. x is the easting with or without its zone number; cm
    (above 0) names the zone.

    >>> lon, lat = karvento.inverse(500000, 4429607.368, cm=117)
    """
    return _inverse(x, y, datum, zone, cm)


class Sheets:
    """The sheets of a request, in the order of karvento-cli sheets: column by
    column west to east, each north to south. Iterating walks one column at a
    time; to_numpy() walks all of them into one structured array.
    """

    def __init__(self, walk: _Walk):
        self._walk = walk

    def __iter__(self) -> Iterator[dict[str, Any]]:
        for c in range(self._walk.columns()):
            yield from self._walk.column(c)

    def to_numpy(self) -> Any:
        """A structured array, one row a sheet: number ('<U15'), west, south,
        east, north (decimal degrees) and x_nw, y_nw, x_ne, y_ne, x_se, y_se,
        x_sw, y_sw (plane corners, metres).

        >>> a = karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0), cm=117).to_numpy()
        >>> a["number"][0]
        'J50G001037'
        """
        return self._walk.to_numpy()

    def write(self, path: str, format: Optional[str] = None, progress: Any = None, **options: Any) -> None:
        """Writes the sheets as karvento-cli sheets --output path does, in
        every format of the command line (by path's extension unless format
        names it): csv, json, geojson, mif, xlsx, shp, gpkg, dxf, kml, svg,
        png, pdf or the text table. options as the command's output options:
        coords="geo"|"plane", encoding="gbk", spreadsheet=True,
        corners_only=True, size="1600x1200". The file replaces an existing one
        only when it is complete. progress(done, total), when given, is called
        after each column of sheets written (total 0 for an area); returning
        False cancels: no file is written and karvento.Cancelled is raised.

        >>> karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0), cm=117).write("beijing.gpkg")
        """
        self._walk.write(path, _options(format=format, **options), progress)

    def to_geopandas(self) -> Any:
        """A GeoDataFrame of the sheet frames as longitude-latitude polygons of
        the four edges, with the columns of to_numpy(); needs geopandas.

        >>> frame = karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0)).to_geopandas()
        """
        import geopandas  # type: ignore[import-not-found]
        from shapely.geometry import box  # type: ignore[import-not-found]

        a = self.to_numpy()
        columns = {name: a[name] for name in a.dtype.names}
        geometry = [box(w, s, e, n) for w, s, e, n in zip(a["west"], a["south"], a["east"], a["north"])]
        return geopandas.GeoDataFrame(columns, geometry=geometry, crs=_geographic_crs[self._datum])


_geographic_crs = {"54": "EPSG:4214", "80": "EPSG:4610", "2000": "EPSG:4490"}


def write(sheets: Sheets, path: str, format: Optional[str] = None, **options: Any) -> None:
    """Sheets.write: karvento.write(karvento.sheets(...), "index.shp").

    >>> karvento.write(karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0)), "beijing.kml", datum="2000")
    """
    sheets.write(path, format, **options)


def frame(number: Union[str, Sequence[str], None], path: str, format: Optional[str] = None, datum: str = "54",
          zone: Optional[int] = None, cm: Union[float, str, None] = None, **options: Any) -> None:
    """The map frames (图廓) of sheet numbers, as karvento-cli frame writes
    them: one DXF or PDF file (format by path's extension unless named), or
    one file per sheet into a folder path ending in "/" (a multi-page PDF for
    a .pdf path). number None with extent=("W,S", "E,N") or aoi=path and
    scale, standard: the frames of an extent (from_="W,S", to="E,N"). zone
    None: the scale's own zone width. options as the command's options:
    name="…", names=file, notes="…", yes=True (more than 10 000 frames or
    1 GB), and the decoration options.

    >>> karvento.frame("J50D001005", "J50D001005.dxf", cm=117)
    """
    if "from_" in options:
        options["from"] = options.pop("from_")
    _frame(number, path, format, _options(datum=datum, zone=zone, cm=cm, **options))


def sheets(extent: Optional[Sequence[Any]] = None, polygon: Any = None, aoi: Optional[str] = None,
           scale: Union[int, str] = 10000, standard: str = "new", datum: str = "54", zone: int = 3,
           cm: Union[float, str, None] = None, min_cover: float = 0.0) -> Sheets:
    """The sheets of an extent, a polygon or an area file (karvento-cli sheets).

    Give one of extent=(west, south, east, north) (the --from and --to
    corners, decimal degrees or "d:m:s" text), polygon= (a ring of (lon,
    lat), a polygon as a list of rings, outer first, or a list of polygons)
    or aoi= (a file of polygons GDAL reads, as --aoi). scale, standard,
    datum, zone and cm as the command line's options; min_cover as
    --min-cover.

    >>> len(karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0)).to_numpy())
    20
    """
    s = Sheets(_Walk(extent, polygon, aoi, scale, standard, datum, zone, cm, min_cover))
    s._datum = datum
    return s


def _scales(scale: Any) -> str:
    """One scale or a list of them as --scale S[,S…]."""
    if isinstance(scale, (str, int)):
        return str(scale)
    return ",".join(str(s) for s in scale)


def tag(layer: str, output: str, scale: Any, standard: str = "new", cover: bool = False, explode: bool = False,
        ascii_names: bool = False, datum: Optional[str] = None, zone: Optional[int] = None,
        cm: Union[float, str, None] = None, transform: Optional[str] = None, layer_name: Optional[str] = None,
        progress: Optional[Callable[[int], Optional[bool]]] = None) -> dict[str, Any]:
    """图幅号赋值 (karvento-cli tag): a copy of a vector layer with the sheet
    numbers of every feature, attributes and geometry kept, written by the
    command's writers (.gpkg, .shp, .geojson, .csv, .kml or .mif by output's
    extension; the file replaces an existing one only when complete).

    layer: a local vector file (its first layer, or layer_name). scale: one
    scale or a list (10000, "1:1万", [10000, "1:5万"]), a field each.
    standard "new", "old" or "both"; cover: a share field beside each number;
    explode: a row per feature and sheet of the finest scale; ascii_names:
    sheet_10000, old_10000, cover_10000. datum ("54", "80", "2000"): the
    sheets' datum (default the layer's own); zone and cm: the zone of a plane
    layer without a coordinate system; transform: a parameter file of
    karvento.transform.solve relating the layer's datum and the sheets'.

    progress, when given, is called with the count of features read every
    few thousand features; returning False (or raising) cancels: nothing is
    written and karvento.Cancelled (an Error) is raised (or what progress
    raised). The call releases the GIL while it works.

    Returns "features" (read), "rows" (written), "outside" (features outside
    the numbered domain), "empty" (features without geometry), "notices"
    (what the command line says on standard error, a sentence each) and
    "output".

    >>> karvento.tag("parcels.shp", "parcels_sheets.gpkg", scale=["1:1万", "1:2000"], cover=True)
    {'features': 1520, 'rows': 1520, 'outside': 0, 'empty': 0, 'notices': [], 'output': 'parcels_sheets.gpkg'}
    """
    words = [layer, *_options(output=output, scale=_scales(scale), standard=standard, cover=cover,
                              explode=explode, ascii_names=ascii_names, datum=datum, zone=zone, cm=cm,
                              transform=transform, layer=layer_name)]
    return _tag(words, progress)


def clip(input: str, output: str, scale: Union[int, str], standard: str = "new", datum: Optional[str] = None,
         zone: Optional[int] = None, cm: Union[float, str, None] = None, extent: Optional[Sequence[Any]] = None,
         aoi: Optional[str] = None, aoi_layer: Optional[str] = None, aoi_where: Optional[str] = None,
         numbers: Union[str, Sequence[str], None] = None, margin: Union[str, float, None] = None,
         mask: Optional[str] = None, keep_empty: bool = False, s_srs: Optional[str] = None,
         t_srs: Optional[str] = None, resampling: Optional[str] = None, resolution: Optional[float] = None,
         layer: Optional[str] = None, one_layer: bool = False, layout: Optional[str] = None,
         names: Optional[str] = None, format: Optional[str] = None, resume: bool = False,
         workers: Optional[int] = None,
         progress: Optional[Callable[[int, int, int], Optional[bool]]] = None) -> dict[str, Any]:
    """标准分幅裁切 (karvento-cli clip): a raster or a vector layer cut into
    the standard sheets of scale, one file per sheet named by its number
    (beside it its metadata <number>.json, and clip-summary.csv in output).

    Sheets: by default every sheet that meets the data; or extent=(west,
    south, east, north) (--from, --to), aoi= a polygon file (with datum;
    aoi_layer, aoi_where), or numbers= one sheet number or a list. standard
    "new" or "old"; datum "54", "80" or "2000" (default the data's own);
    zone and cm: the zones of the plane corners in the metadata. margin as
    --margin ("10mm", "100m", "50px"; a number is millimetres on paper);
    mask "nodata" or "white"; keep_empty writes sheets without data;
    s_srs, t_srs, resampling, resolution as the command's options; layer and
    one_layer for vectors; layout "flat" or "folder"; names "new" or "old";
    format "gtiff", "cog", "gpkg" or "shp"; resume skips the sheets a same
    run finished; workers: sheets cut at once (default one per core).

    progress, when given, is called after each sheet with (done, total,
    bytes written); returning False (or raising) stops the run after the
    sheets being cut, whose files are complete (what progress raised is
    raised then). The call releases the GIL while it works.

    Returns "written", "empty" (sheets without data), "resumed" (already
    complete), "bytes", "summary" (the clip-summary.csv file) and
    "cancelled".

    >>> karvento.clip("dom/beijing.tif", "sheets", scale="1:1万", margin="10mm")
    {'written': 12, 'empty': 0, 'resumed': 0, 'bytes': 301989888, 'summary': 'sheets/clip-summary.csv', 'cancelled': False}
    """
    corners: dict[str, Any] = {}
    if extent is not None:
        west, south, east, north = extent
        corners = {"from": f"{west},{south}", "to": f"{east},{north}"}
    one = numbers if isinstance(numbers, str) else None
    listed = [] if numbers is None or one is not None else [str(n) for n in numbers]
    words = [input, *_options(output=output, scale=scale, standard=standard, datum=datum, zone=zone, cm=cm,
                              **corners, aoi=aoi, aoi_layer=aoi_layer, aoi_where=aoi_where, sheet=one,
                              margin=margin, mask=mask, keep_empty=keep_empty, s_srs=s_srs, t_srs=t_srs,
                              resampling=resampling, resolution=resolution, layer=layer, one_layer=one_layer,
                              layout=layout, names=names, format=format, resume=resume, workers=workers)]
    return _clip(words, listed, progress)
