# SPDX-License-Identifier: Apache-2.0
"""The Processing provider "karvento"."""

import os

from qgis.core import QgsProcessingProvider
from qgis.PyQt.QtGui import QIcon

from .algorithms import ALGORITHMS
from .texts import tr


class KarventoProvider(QgsProcessingProvider):
    def id(self):
        return "karvento"

    def name(self):
        return tr("provider")

    def icon(self):
        return QIcon(os.path.join(os.path.dirname(__file__), "icon.svg"))

    def loadAlgorithms(self):  # noqa: N802
        for a in ALGORITHMS:
            self.addAlgorithm(a())

    # The GIS formats of the module's writers that carry the sheets' system,
    # GeoPackage first (GeoJSON is read as WGS 84 whatever its datum).
    def supportedOutputVectorLayerExtensions(self):  # noqa: N802
        return ["gpkg", "shp", "kml", "dxf"]

    def defaultVectorFileExtension(self, hasGeometry=True):  # noqa: N802
        return "gpkg"
