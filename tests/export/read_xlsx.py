# SPDX-License-Identifier: Apache-2.0
# Prints what a workbook holds, one fact per line, for the export tests:
#   merged A1:M1
#   cell A1 s <text> align=center border=-,-,-,-      (left,right,top,bottom)
#   cell B3 n <repr of the float> align=- border=thin,thin,thin,thin
#   width A 12.0
# Read with openpyxl, a reader independent of the writing library.
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
ws = book.worksheets[0]
print("sheets", len(book.worksheets))
for r in sorted(str(m) for m in ws.merged_cells.ranges):
    print("merged", r)
for row in ws.iter_rows():
    for c in row:
        if c.value is None and not c.has_style:
            continue
        b = c.border
        sides = ",".join((s.style or "-") for s in (b.left, b.right, b.top, b.bottom))
        value = repr(c.value) if isinstance(c.value, float) else ("" if c.value is None else str(c.value))
        print("cell", c.coordinate, c.data_type, value,
              "align=" + (c.alignment.horizontal or "-"), "border=" + sides)
for letter, dim in sorted(ws.column_dimensions.items()):
    if dim.width:
        print("width", letter, dim.width)
