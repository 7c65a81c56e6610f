#!/usr/bin/python3
"""Writes the workbook fixtures of the import tests with the Debian packages
python3-openpyxl (.xlsx) and python3-xlwt (.xls), so that the readers are
tested on files this program's own writer did not make.

Run from this folder: /usr/bin/python3 make_fixtures.py
"""
import datetime

import openpyxl
import xlwt

# A machine sheet: key with blanks, numeric key and description, a refused
# row (unknown line), a numeric line id, a blank row that ends the data and
# a row after it that must never be read.
MACHINES = [
    ["Machine ID", "Description", "Line ID"],
    ["  MC01 ", "Mounter one", "L1"],
    [1234, 12.5, "L1"],
    ["MC03", None, "NOLINE"],
    ["MC04", "  Placer  ", 1001],
    [None, None, None],
    ["MC99", "after the blank row", "L1"],
]

# One row of typed cells for the reader tests.
CELLS = [
    ["text", "int", "float", "whole float", "negative", "large", "small", "date", "datetime", "bool", "formula", "blanks", "unicode"],
    ["abc", 1234, 12.5, 7.0, -5, 123456789012345, 0.001, datetime.date(2024, 3, 5),
     datetime.datetime(2024, 12, 15, 7, 8, 9), True, None, "   x y   ", "Zürich 東京"],
]


def write_xlsx(path, first, rows):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = first
    for r in rows:
        ws.append(r)
    if rows is CELLS:
        ws["K2"] = "=B2*2"
    other = wb.create_sheet("Other")
    other.append(["Other sheet"])
    other.append(["NOT READ"])
    wb.save(path)


def write_xls(path, first, rows):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet(first)
    date_style = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    datetime_style = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, datetime.datetime):
                ws.write(r, c, v, datetime_style)
            elif isinstance(v, datetime.date):
                ws.write(r, c, v, date_style)
            else:
                ws.write(r, c, v)
    if rows is CELLS:
        ws.write(1, 10, xlwt.Formula("B2*2"))
    other = wb.add_sheet("Other")
    other.write(0, 0, "Other sheet")
    other.write(1, 0, "NOT READ")
    wb.save(path)


write_xlsx("machines.xlsx", "Machines", MACHINES)
write_xls("machines.xls", "Machines", MACHINES)
write_xlsx("cells.xlsx", "Cells", CELLS)
write_xls("cells.xls", "Cells", CELLS)

# An .xls sheet that expands: 8,500 cells that all show one shared text of
# 16,000 characters (the longest text the .xls library reads is shorter than
# a cell may hold), 136 million characters once read from a small file.
bomb = xlwt.Workbook(encoding="utf-8")
ws = bomb.add_sheet("Bomb")
ws.write(0, 0, "Line ID")
for r in range(1, 86):
    for c in range(100):
        ws.write(r, c, "x" * 16000)
bomb.save("hostile/xls-text-bomb.xls")
