# SPDX-License-Identifier: Apache-2.0
"""Karvento's QGIS plugin: the Processing provider and the cursor panel."""


def classFactory(iface):  # noqa: N802 (the name QGIS calls)
    from .plugin import KarventoPlugin
    return KarventoPlugin(iface)
