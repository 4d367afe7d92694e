#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Reads an index map SVG back: prints the number of sheet frames (rectangles
drawn in the frame colour), of coverage rectangles, of current-sheet outlines
(rectangles in the current colour), of area-of-interest rings (shapes in the
outline colour), and each text, one a line.
usage: svg_count.py FILE"""
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"
FRAME_STROKE = "#4a6fa5"
CURRENT_STROKE = "#e00000"
OUTLINE_STROKE = "#c00060"
COVERAGE_FILLS = {"#7a9cc6", "#f5a623"}


def walk(element, stroke, fill, counts, texts):
    for child in element:
        tag = child.tag.replace(NS, "")
        if tag == "g":
            walk(child, child.get("stroke", stroke), child.get("fill", fill), counts, texts)
        elif tag == "rect":
            if stroke == FRAME_STROKE:
                counts["frames"] += 1
            elif stroke == CURRENT_STROKE:
                counts["current"] += 1
            elif stroke == "none" and fill in COVERAGE_FILLS:
                counts["cells"] += 1
        elif tag in ("polygon", "polyline", "path") and stroke == OUTLINE_STROKE:
            counts["outline"] += 1
        elif tag == "text":
            texts.append("".join(child.itertext()).strip())


def main():
    root = ET.parse(sys.argv[1]).getroot()
    counts = {"frames": 0, "cells": 0, "current": 0, "outline": 0}
    texts = []
    walk(root, None, None, counts, texts)
    print("frames", counts["frames"])
    print("cells", counts["cells"])
    print("current", counts["current"])
    print("outline", counts["outline"])
    for t in texts:
        print("text", t)


main()
