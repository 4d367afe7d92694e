# SPDX-License-Identifier: Apache-2.0
"""Datum transformation (坐标转换), as karvento-cli transform does it: parameters
solved from common points (重合点), the parameter file written and read,
points and GIS layers moved with them.

>>> import karvento.transform as kt
>>> p = kt.solve("points.csv", model="bursa7", source="54", target="2000", cm=117, output="bj.k7p")
>>> x2, y2 = kt.apply(x1, y1, params="bj.k7p", cm=117)
"""

from __future__ import annotations

from typing import Any, Optional, Union

from . import _karvento

_t = _karvento.transform

__all__ = ["apply", "move_layer", "read_params", "solve"]


def solve(points: Optional[str] = None, model: str = "bursa7", source: str = "54", target: str = "2000",
          zone: Optional[int] = None, cm: Union[float, str, None] = None, convention: str = "position-vector",
          reject: Optional[float] = None, output: Optional[str] = None, source_layer: Optional[str] = None,
          target_layer: Optional[str] = None, join_field: Optional[str] = None) -> dict[str, Any]:
    """Least-squares parameters from a common-point file (transform solve FILE)
    or from two point layers joined by a field (--source, --target,
    --join-field). model: "bursa7", "shift3", "plane4" or "affine6"; source
    and target datums "54", "80" or "2000"; cm (and zone) for plane common
    points; reject: drop points beyond that many standard errors. output
    writes the parameter file (.k7p, .k3p, .k4p, .k6p) through the safe
    writer. Returns the description, parameters, standard errors, sigma0,
    redundancy, residuals, rejected points and the parameter file's text.

    >>> kt.solve("points.csv", model="plane4", source="54", target="2000", cm=117)["sigma0"]
    """
    return _t.solve(points, model, source, target, zone, cm, convention, reject, output, source_layer,
                    target_layer, join_field)


def apply(x: Any, y: Any, params: str, z: Any = None, inverse: bool = False, zone: Optional[int] = None,
          cm: Union[float, str, None] = None, method: str = "direct", scale: Union[int, str, None] = None) -> Any:
    """Moves points with a parameter file (transform apply): longitude and
    latitude in degrees (z: ellipsoidal height) or, with cm, easting and
    northing in metres; arrays of any shape. method "corners" (with scale)
    moves plane points by the shifts of their sheet's corners. Returns
    (x, y) or (x, y, z) when z is given.

    >>> x2, y2 = kt.apply([39435836.57], [4415997.19], params="bj.k7p", cm=117)
    """
    return _t.apply(x, y, params, z, inverse, zone, cm, method, scale)


def read_params(path: str) -> dict[str, Any]:
    """Reads a parameter file as transform show does: its description, its
    parameters by name, and its source and target datums.

    >>> kt.read_params("bj.k7p")["target"]
    '2000'
    """
    return _t.read_params(path)


def move_layer(input: str, output: str, params: str, inverse: bool = False, zone: Optional[int] = None,
               cm: Union[float, str, None] = None, method: str = "direct",
               scale: Union[int, str, None] = None) -> int:
    """Moves every vertex of a GIS layer (transform layer INPUT OUTPUT): the
    output, in any format GDAL writes, names the target datum's coordinate
    system and replaces an existing file only when complete. Returns the
    count of vertices moved.

    >>> kt.move_layer("control.gpkg", "control_2000.gpkg", params="bj.k7p", cm=117)
    """
    return _t.move_layer(input, output, params, inverse, zone, cm, method, scale)
