#!/usr/bin/python3
"""Adds formulas whose right values a test knows to a template, outside the
scanned columns: "=ROW()" in every list row (each copy must show its own row)
and "=LEN(A2)" beside row 2, which holds a placeholder (the filled text's
length). Neither is volatile, so a reader shows a stale cached result of
theirs as it is. Usage: formula_probes.py IN.xlsx OUT.xlsx"""
import sys

import openpyxl


def main(source, target):
    wb = openpyxl.load_workbook(source)
    for ws in wb.worksheets:
        ws["M2"] = "=LEN(A2)"
        for row in ws.iter_rows():
            for c in row:
                if c.value in ("&LST_F", "&LST_H"):
                    ws.cell(row=c.row, column=13, value="=ROW()")
    wb.save(target)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
