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

from typing import Any, Iterator, Optional, Sequence, Union

from ._karvento import Error, _Walk
from ._karvento import _frame
from ._karvento import at as _at
from ._karvento import check as _check
from ._karvento import convert as _convert
from ._karvento import inverse as _inverse
from ._karvento import neighbours as _neighbours
from ._karvento import project as _project
from . import transform

__all__ = ["Error", "Sheets", "transform", "at", "check", "convert", "frame", "inverse", "neighbours", "project",
           "sheets", "write"]


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

    def write(self, path: str, format: Optional[str] = None, **options: Any) -> None:
        """Writes the sheets as karvento-cli sheets --output path does, in
        every format of the command line (by path's extension unless format
        names it): csv, json, geojson, mif, xlsx, shp, gpkg, dxf, kml, svg,
        png, pdf or the text table. options as the command's output options:
        coords="geo"|"plane", encoding="gbk", spreadsheet=True,
        corners_only=True, size="1600x1200". The file replaces an existing one
        only when it is complete.

        >>> karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0), cm=117).write("beijing.gpkg")
        """
        self._walk.write(path, _options(format=format, **options))

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
