#!/usr/bin/python3
"""Writes an operator's template whose own formulas, chart, notes and links
refer to the point lists: a summary sheet, then one sheet per device with the
list row 4 (nominal, reading, their difference), a spacer row 5, the largest
difference in C6, the verdict in E7 with a note, a formula reading it in C8,
a link back to the summary in A9 and a chart of the readings. The summary
reads each device's largest difference and verdict, links to device 1's
verdict and charts every device's differences. Usage:
make_reference_template.py OUT.xlsx"""
import sys

import openpyxl
from openpyxl.chart import LineChart, Reference
from openpyxl.comments import Comment
from openpyxl.worksheet.hyperlink import Hyperlink

DEVICES = 4

wb = openpyxl.Workbook()
summary = wb.active
summary.title = "Сводка"
summary["A1"] = "Сводка"
summary["A2"] = "Наибольшее отклонение, прибор 1"
summary["B2"] = "='&DEV_SH_1'!C6"
summary["A3"] = "Заключение, прибор 1"
summary["B3"] = "='&DEV_SH_1'!E7"
summary["A4"] = "Наибольшее отклонение, прибор 4"
summary["B4"] = "='&DEV_SH_4'!C6"
summary["A5"] = "к заключению прибора 1"
summary["A5"].hyperlink = Hyperlink(ref="A5", location="'&DEV_SH_1'!E7")
differences = LineChart()
differences.title = "Отклонения"

for n in range(1, DEVICES + 1):
    ws = wb.create_sheet("&DEV_SH_%d" % n)
    ws["A1"] = "&D%d_NAME" % n
    ws["A3"], ws["B3"], ws["C3"] = "Номинал", "Показание", "Отклонение"
    ws["A4"] = "&DN_PN_I"
    ws["B4"] = "&DN_D%d_I" % n
    ws["C4"] = "=B4-A4"
    ws["D4"] = "&LST_F"
    ws["A6"] = "Наибольшее"
    ws["C6"] = "=MAX(C4:C5)"
    ws["A7"] = "Заключение"
    ws["E7"] = "&VR%d_RESULT" % n
    ws["E7"].comment = Comment("Заключение о приборе %d" % n, "Поверитель")
    ws["C8"] = "=E7"
    ws["A9"] = "к сводке"
    ws["A9"].hyperlink = Hyperlink(ref="A9", location="'Сводка'!A1")
    readings = LineChart()
    readings.title = "Показания"
    readings.add_data(Reference(ws, min_col=2, min_row=4, max_row=5))
    readings.set_categories(Reference(ws, min_col=1, min_row=4, max_row=5))
    ws.add_chart(readings, "G3")
    if n in (1, DEVICES):
        differences.add_data(Reference(ws, min_col=3, min_row=4, max_row=5))
summary.add_chart(differences, "D2")
wb.save(sys.argv[1])
