# SPDX-License-Identifier: Apache-2.0
"""The cursor panel: the sheet numbers under the mouse at a chosen scale, in
any project coordinate system; a click on a number (or, with the pick tool,
on the map) copies it to the clipboard."""

from qgis.core import QgsCoordinateTransform, QgsProject
from qgis.gui import QgsDockWidget, QgsMapToolEmitPoint
from qgis.PyQt.QtWidgets import QApplication, QComboBox, QListWidget, QPushButton, QVBoxLayout, QWidget

from . import common
from .common import DATUMS, DEFAULT_SCALE, SCALES
from .texts import tr


def numbers_at(point, crs, scale, datum):
    """The new and the old number of the sheet holding a map point of crs
    (empty where the point lies outside the numbered domain)."""
    k = common.module()
    geo = common.geographic_crs(datum)
    p = QgsCoordinateTransform(crs, geo, QgsProject.instance()).transform(point)
    found = []
    for standard in ("new", "old"):
        try:
            found.append(str(k.at(p.x(), p.y(), scale=scale, standard=standard)))
        except k.Error:
            pass  # outside the domain, or no old number at this scale
    return found


class CursorPanel(QgsDockWidget):
    def __init__(self, canvas, parent=None):
        super().__init__(tr("panel"), parent)
        self.setObjectName("KarventoCursorPanel")
        self.canvas = canvas
        body = QWidget()
        layout = QVBoxLayout(body)
        self.scale = QComboBox()
        self.scale.addItems(SCALES)
        self.scale.setCurrentIndex(DEFAULT_SCALE)
        self.datum = QComboBox()
        self.datum.addItems([d[1] for d in DATUMS])
        self.numbers = QListWidget()
        self.numbers.itemClicked.connect(lambda item: self.copy(item.text()))
        self.pick = QPushButton(tr("pick"))
        self.pick.setCheckable(True)
        self.pick.toggled.connect(self._pick)
        for w in (self.scale, self.datum, self.numbers, self.pick):
            layout.addWidget(w)
        self.setWidget(body)
        self.tool = QgsMapToolEmitPoint(canvas)
        self.tool.canvasClicked.connect(lambda point, button: self.update_at(point) and self.copy(self.update_at(point)[0]))
        canvas.xyCoordinates.connect(self.update_at)

    def update_at(self, point):
        found = numbers_at(point, self.canvas.mapSettings().destinationCrs(), self.scale.currentText(),
                           DATUMS[self.datum.currentIndex()][0])
        self.numbers.clear()
        self.numbers.addItems(found)
        return found

    def copy(self, number):
        QApplication.clipboard().setText(number)
        self.setWindowTitle(tr("copied", number))

    def _pick(self, on):
        if on:
            self.canvas.setMapTool(self.tool)
        else:
            self.canvas.unsetMapTool(self.tool)
