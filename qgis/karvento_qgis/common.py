# SPDX-License-Identifier: Apache-2.0
"""What every algorithm shares: the module karvento (the system's, else the
one bundled in the plugin's lib/ folder), the choices of the command line's
options, and names that moved between QGIS 3.22 and the Qt 6 builds."""

import os
import sys

from qgis.core import (Qgis, QgsCoordinateReferenceSystem, QgsField, QgsProcessing, QgsProcessingException,
                       QgsProcessingParameterDefinition, QgsProcessingParameterNumber)

from .texts import tr

SCALES = ["1:100万", "1:50万", "1:25万", "1:10万", "1:5万", "1:2.5万", "1:1万", "1:5000", "1:2000", "1:1000",
          "1:500"]
DEFAULT_SCALE = 6
DATUMS = [("2000", "2000国家大地坐标系 (CGCS2000)"), ("80", "西安80 (Xian 1980)"), ("54", "北京54 (Beijing 1954)")]
# The geographic system of each datum's longitudes and latitudes, as the
# module's GIS files name it.
GEOGRAPHIC = {"2000": "EPSG:4490", "80": "EPSG:4610", "54": "EPSG:4214"}


def module():
    """The module karvento, or QgsProcessingException saying how to get it."""
    try:
        import karvento
        return karvento
    except ImportError:
        pass
    bundled = os.path.join(os.path.dirname(__file__), "lib")
    if os.path.isdir(bundled) and bundled not in sys.path:
        sys.path.append(bundled)
    try:
        import karvento
        return karvento
    except ImportError as e:
        raise QgsProcessingException(tr("no_module", e))


def geographic_crs(datum):
    return QgsCoordinateReferenceSystem(GEOGRAPHIC[datum])


def _new(owner, path, old):
    """The scoped enum value of QGIS 3.36 and later where it exists, else
    3.22's name."""
    o = owner
    for part in path.split("."):
        o = getattr(o, part, None)
        if o is None:
            return old
    return o


SOURCE_POLYGON = _new(Qgis, "ProcessingSourceType.VectorPolygon", getattr(QgsProcessing, "TypeVectorPolygon", None))
SOURCE_ANY = _new(Qgis, "ProcessingSourceType.Vector", getattr(QgsProcessing, "TypeVector", None))
DOUBLE = _new(Qgis, "ProcessingNumberParameterType.Double", getattr(QgsProcessingParameterNumber, "Double", None))
ADVANCED = _new(Qgis, "ProcessingParameterFlag.Advanced",
                getattr(QgsProcessingParameterDefinition, "FlagAdvanced", None))


def advanced(parameter):
    parameter.setFlags(parameter.flags() | ADVANCED)
    return parameter


def field(name, kind):
    """A field of type kind ("text" or "real"): QMetaType on QGIS 3.38 and
    later, QVariant before."""
    if Qgis.versionInt() >= 33800:
        from qgis.PyQt.QtCore import QMetaType
        return QgsField(name, QMetaType.Type.QString if kind == "text" else QMetaType.Type.Double)
    from qgis.PyQt.QtCore import QVariant
    return QgsField(name, QVariant.String if kind == "text" else QVariant.Double)


def cm_value(cm):
    """The central meridian as the module takes it: None for 0."""
    return None if not cm else cm
