#!/usr/bin/python3
"""The openpyxl side of bench_workbook: the same work on the same template
(load, rename the device sheets, fill the placeholders, copy the list row
for 201 points, fill the list, save).
Usage: openpyxl_fill.py TEMPLATE OUT
Prints "ready" once loaded, then for every line "run" read from stdin does the
work once and prints its time in ms; ends at the end of its input. The benchmark
thus alternates its own runs with these, one pair at a time."""
import copy
import re
import sys
import time

import openpyxl

POINTS = 201
TOKEN = re.compile(r"&[A-Z][A-Z0-9_]*")


def fill(template, out):
    wb = openpyxl.load_workbook(template)
    first = wb.worksheets[0]
    # Rows 1 to N1 and columns 1 to M1 are scanned, as the protocol writer does.
    columns = int(first["M1"].value or 0) + 1 if first["M1"].value else 1000
    rows = int(first["N1"].value or 0) + 1 if first["N1"].value else 1000
    first["M1"] = None
    first["N1"] = None
    for ws in wb.worksheets:
        for prefix, title in (("&DEV_SH_", " Прибор "), ("&DEV_CCR_", "Сертификат Прибор "),
                              ("&DEV_VCR_", "Свидетельство Прибор ")):
            if ws.title.startswith(prefix):
                ws.title = title + ws.title[len(prefix):]
        wb.active = wb.worksheets.index(ws)
        limit = rows
        r = 1
        while r < limit:
            for c in range(1, columns):
                cell = ws.cell(row=r, column=c)
                text = cell.value
                if not isinstance(text, str) or "&" not in text or text.startswith("="):
                    continue
                if text in ("&LST_F", "&LST_H"):
                    cell.value = None
                    count = POINTS - 1 if text == "&LST_F" else (POINTS - 1) // 2
                    ws.insert_rows(r + 1, count)
                    for i in range(1, count + 1):
                        ws.row_dimensions[r + i].height = ws.row_dimensions[r].height
                        for src in ws[r]:
                            dst = ws.cell(row=r + i, column=src.column, value=src.value)
                            if src.has_style:
                                dst._style = copy.copy(src._style)
                    limit += count
                elif not text.startswith("&DN_"):
                    cell.value = TOKEN.sub("значение", text)
            r += 1
        for row in ws.iter_rows(min_row=1, max_row=limit - 1, max_col=columns - 1):
            for cell in row:
                if isinstance(cell.value, str) and cell.value.startswith("&DN_"):
                    cell.value = 123.456 + cell.row
    wb.save(out)


def main():
    template, out = sys.argv[1], sys.argv[2]
    print("ready", flush=True)
    for line in sys.stdin:
        if line.strip() != "run":
            continue
        t0 = time.perf_counter()
        fill(template, out)
        print("%.3f" % ((time.perf_counter() - t0) * 1000.0), flush=True)


if __name__ == "__main__":
    main()
