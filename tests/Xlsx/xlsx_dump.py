#!/usr/bin/python3
"""Dumps a workbook as JSON with openpyxl, the independent reader the tests
check our documents with. With --values, a formula cell gives the result its
program stored in place of the formula. Usage: xlsx_dump.py [--values] FILE"""
import html
import json
import re
import sys
import zipfile

import openpyxl


def value_of(v):
    if v is None:
        return None
    if isinstance(v, bool):
        return {"t": "b", "v": v}
    if isinstance(v, (int, float)):
        return {"t": "n", "v": v}
    return {"t": "s", "v": str(v)}


def print_area(ws):
    pa = ws.print_area
    if isinstance(pa, (list, tuple)):
        pa = ",".join(pa)
    return pa


def reference(ref):
    """The formula and the cached values of a chart's numRef or strRef."""
    if ref is None:
        return None
    data = ref.numRef or ref.strRef
    if data is None:
        return None
    cache = data.numCache if hasattr(data, "numCache") else data.strCache
    points = {}
    if cache is not None:
        for p in cache.pt:
            points[p.idx] = p.v
    return {"f": data.f, "values": [points.get(i) for i in range(cache.ptCount if cache is not None else 0)]}


def series_of(chart):
    return [{"val": reference(s.val), "cat": reference(s.cat)} for s in chart.series]


def main(path, values=False):
    wb = openpyxl.load_workbook(path, data_only=values)
    out = {"sheets": wb.sheetnames, "active": wb.sheetnames.index(wb.active.title), "data": {},
           "definedNames": {}}
    for dn in wb.defined_names.definedName:
        out["definedNames"][dn.name + ("@%s" % dn.localSheetId if dn.localSheetId is not None else "")] = dn.attr_text
    for ws in wb.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for c in row:
                if c.value is not None:
                    cells[c.coordinate] = value_of(c.value)
                    if c.data_type == "f":
                        cells[c.coordinate] = {"t": "f", "v": c.value}
                    if c.number_format != "General":
                        cells[c.coordinate]["fmt"] = c.number_format
        s = {
            "cells": cells,
            "merged": sorted(str(r) for r in ws.merged_cells.ranges),
            "heights": {str(k): v.height for k, v in ws.row_dimensions.items() if v.height is not None},
            "widths": {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth},
            "printArea": print_area(ws),
            "rowBreaks": sorted(b.id for b in ws.row_breaks.brk),
            "cf": sorted(str(r.sqref) for r in ws.conditional_formatting),
            "dv": sorted(str(d.sqref) for d in ws.data_validations.dataValidation),
            "hyperlinks": sorted(c.coordinate for row in ws.iter_rows() for c in row if c.hyperlink),
            "links": {c.coordinate: c.hyperlink.location or c.hyperlink.target
                      for row in ws.iter_rows() for c in row if c.hyperlink},
            "notes": {c.coordinate: c.comment.text for row in ws.iter_rows() for c in row if c.comment},
            "cfRules": {str(r.sqref): [f for rule in r.rules for f in rule.formula] for r in ws.conditional_formatting},
            "dvFormulas": {str(d.sqref): d.formula1 for d in ws.data_validations.dataValidation},
            "tables": {t.displayName: t.ref for t in ws.tables.values()},
            "charts": [[c.anchor._from.row, c.anchor.to.row if hasattr(c.anchor, "to") and c.anchor.to else None]
                       for c in ws._charts],
            "series": [series_of(c) for c in ws._charts],
            "fonts": {},
            "wrapped": sorted(coord for coord in cells if ws[coord].alignment.wrap_text),
            "selected": bool(ws.sheet_view.tabSelected),
        }
        for coord in cells:
            c = ws[coord]
            if c.font is not None and c.has_style:
                s["fonts"][coord] = [c.font.name, c.font.sz, bool(c.font.b), bool(c.font.i),
                                     c.alignment.horizontal, c.alignment.vertical]
        out["data"][ws.title] = s
    with zipfile.ZipFile(path) as z:
        out["parts"] = sorted(z.namelist())
        # The references of every chart, by part: series, categories, titles.
        out["chartRefs"] = {n: [html.unescape(f) for f in re.findall(r"<(?:\w+:)?f>(.*?)</(?:\w+:)?f>", z.read(n).decode())]
                            for n in z.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)}
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    if sys.argv[1] == "--values":
        main(sys.argv[2], values=True)
    else:
        main(sys.argv[1])
