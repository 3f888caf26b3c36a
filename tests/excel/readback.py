#!/usr/bin/python3
# Reads a workbook with openpyxl and prints, as JSON, every sheet with its cells: the value,
# openpyxl's data type and the number format of each cell that holds a value.
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for sheet in book.worksheets:
    cells = []
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            cells.append({"row": cell.row, "column": cell.column, "value": str(cell.value),
                          "type": cell.data_type, "format": cell.number_format})
    sheets.append({"name": sheet.title, "cells": cells})
print(json.dumps({"sheets": sheets}, ensure_ascii=False))
