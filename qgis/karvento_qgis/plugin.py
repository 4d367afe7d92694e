# SPDX-License-Identifier: Apache-2.0
"""The plugin: the provider (also under qgis_process, where iface is None)
and, in the desktop, the cursor panel."""

from qgis.core import QgsApplication

from .provider import KarventoProvider


class KarventoPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None
        self.panel = None

    def initProcessing(self):  # noqa: N802
        self.provider = KarventoProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()
        from qgis.PyQt.QtCore import Qt
        from .panel import CursorPanel
        self.panel = CursorPanel(self.iface.mapCanvas())
        self.iface.addDockWidget(Qt.DockWidgetArea.RightDockWidgetArea, self.panel)

    def unload(self):
        if self.panel is not None:
            self.iface.removeDockWidget(self.panel)
            self.panel.close()
            self.panel = None
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
