#!/usr/bin/python3
"""Generates the built-in document templates of the workstation into a folder
(default: the Templates/ folder of the source tree):

  default_template_calibration_A.xlsx, default_template_calibration_B.xlsx,
  default_template_verification_A.xlsx, default_template_verification_B.xlsx,
  custom_template.xlsx.

The protocol writer fills the "&" placeholders; M1 and N1 of the first sheet
bound the scanned columns and rows. Per-device sheets "&DEV_SH_n" (protocol),
"&DEV_CCR_n" (calibration certificate) and "&DEV_VCR_n" (verification
certificate) are kept for the devices under test and dropped for the others.
A list row ("&LST_F": one row per point, "&LST_H": one per point of the up
stroke) is copied for the points, and its "&DN_" placeholders take one point
each, forward (_I) or backward (_D).

Run with /usr/bin/python3 (python3-openpyxl). The output is reproducible:
run it again and only the zip dates differ."""
import datetime
import os
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, Side
from openpyxl.worksheet.properties import PageSetupProperties

SCAN_COLUMNS = 12     # M1: columns A to L
SCAN_ROWS = 60        # N1: rows 1 to 60 (and the rows the lists add)
LAST_COLUMN = "L"
FIXED_TIME = datetime.datetime(2024, 1, 1, 0, 0, 0)

FONT = "Times New Roman"
thin = Side(style="thin")
BOX = Border(left=thin, right=thin, top=thin, bottom=thin)
# Every pressure of the built-in templates, and nothing else, takes this format: the protocol writer
# gives it the decimals the run page shows.
PRESSURE_FORMAT = "0.000"
# The point number: the number above it plus one, the header's text counting
# as 0. It names no row but through ROW() and the absolute $A$1, so it counts
# 1 ... N in every copy of the list row whatever rows were inserted above it.
NUMBER_FORMULA = "=N(OFFSET($A$1,ROW()-2,0))+1"


def font(size=11, bold=False, italic=False):
    return Font(name=FONT, size=size, bold=bold, italic=italic)


class Sheet:
    """Lays out one worksheet row by row over the columns A to L."""

    def __init__(self, ws):
        self.ws = ws
        self.row = 1
        for col, width in zip("ABCDEFGHIJKL", [6, 12, 12, 12, 12, 12, 12, 12, 10, 10, 10, 10]):
            ws.column_dimensions[col].width = width
        ws.page_setup.paperSize = ws.PAPERSIZE_A4
        ws.page_setup.orientation = "portrait"
        ws.page_setup.fitToWidth = 1
        ws.page_setup.fitToHeight = 0
        ws.sheet_properties.pageSetUpPr = PageSetupProperties(fitToPage=True)
        ws.print_options.horizontalCentered = True
        ws.page_margins.left = ws.page_margins.right = 0.5

    def title(self, text, size=14, height=24):
        self.merged(text, "A", LAST_COLUMN, font(size, bold=True), "center", height)
        self.row += 1

    def merged(self, text, first, last, f=None, horizontal="left", height=None, border=False):
        ws = self.ws
        ref = "%s%d" % (first, self.row)
        ws[ref] = text
        ws[ref].font = f or font()
        ws[ref].alignment = Alignment(horizontal=horizontal, vertical="center", wrap_text=True)
        if first != last:
            ws.merge_cells("%s%d:%s%d" % (first, self.row, last, self.row))
        if border:
            for col in range(openpyxl.utils.column_index_from_string(first),
                             openpyxl.utils.column_index_from_string(last) + 1):
                ws.cell(row=self.row, column=col).border = BOX
        if height:
            ws.row_dimensions[self.row].height = height

    def line(self, caption, value, height=None):
        """A caption in A:D and its value in E:L, on one row. A row that shows
        what the operator typed has no fixed height: its text wraps and the
        row grows with it."""
        self.merged(caption, "A", "D", font(bold=True), height=height)
        self.merged(value, "E", LAST_COLUMN, font(), height=height)
        self.row += 1

    def text(self, value, height=None, bold=False):
        self.merged(value, "A", LAST_COLUMN, font(bold=bold), height=height)
        self.row += 1

    def skip(self, n=1):
        self.row += n

    def table(self, headers, cells, marker):
        """A header row, then the list row: each (columns, text, numeric) spans
        its columns of A to K; the list marker stands in L, inside the scanned
        columns, and is emptied before the row is copied."""
        assert sum(h[0] for h in headers) == 11 and sum(c[0] for c in cells) == 11
        ws = self.ws
        col = 1
        for span, text in headers:
            first = openpyxl.utils.get_column_letter(col)
            last = openpyxl.utils.get_column_letter(col + span - 1)
            self.merged(text, first, last, font(10, bold=True), "center", border=True)
            ws["%s%d" % (first, self.row)].alignment = Alignment(horizontal="center", vertical="center",
                                                                  wrap_text=True)
            col += span
        ws.row_dimensions[self.row].height = 45
        self.row += 1
        list_row = self.row
        col = 1
        for span, text, numeric in cells:
            first = openpyxl.utils.get_column_letter(col)
            last = openpyxl.utils.get_column_letter(col + span - 1)
            self.merged(text, first, last, font(10), "center", border=True)
            if numeric:
                ws["%s%d" % (first, self.row)].number_format = PRESSURE_FORMAT
            col += span
        # The marker takes the cell after the table; it is emptied before the copy.
        assert col == 12
        ws.cell(row=self.row, column=col, value=marker).font = Font(name=FONT, size=7, color="808080")
        ws.row_dimensions[self.row].height = 16
        ws["A%d" % self.row] = NUMBER_FORMULA
        self.row += 1
        return list_row

    def finish(self):
        self.ws.print_area = "A1:%s%d" % (LAST_COLUMN, self.row)


def reference_block(s):
    s.text("Эталон", bold=True)
    s.line("Тип эталона:", "&ET_TYPE, модель &ET_MODEL")
    s.line("Заводской номер:", "&ET_SERIAL")
    s.line("Индекс заказа (класс точности):", "&ET_CLASS")
    s.line("Пределы допускаемой погрешности:", "&ET_ACC")
    s.line("Диапазон измерений:", "&ET_QVT_INTERVAL")
    s.line("Единица показаний:", "&ET_UNIT")
    s.line("Усреднение, измерений:", "&ET_QVT_AVER")
    s.line("Владелец эталона:", "&ET_OWNER")


def conditions_block(s):
    s.text("Условия поверки", bold=True)
    s.line("Температура окружающего воздуха, °C:", "&CD_TEMP")
    s.line("Относительная влажность, %:", "&CD_HUM")
    s.line("Атмосферное давление, мм рт. ст.:", "&CD_PRES")


def main_sheet(ws, kind):
    s = Sheet(ws)
    ws["M1"] = SCAN_COLUMNS
    ws["N1"] = SCAN_ROWS
    ws["M1"].font = ws["N1"].font = font(8, italic=True)
    if kind == "calibration":
        s.title("ПРОТОКОЛ КАЛИБРОВКИ МАНОМЕТРОВ")
    else:
        s.title("ПРОТОКОЛ ПОВЕРКИ МАНОМЕТРОВ")
    s.text("Дата: &CD_DATE", height=18)
    s.skip()
    reference_block(s)
    s.skip()
    conditions_block(s)
    s.skip()
    s.text("Параметры поверки", bold=True)
    s.line("Интервал поверки:", "от &ET_LO до &ET_HI &ET_UNIT")
    s.line("Класс точности, %:", "&CD_CLASS")
    s.line("Коэффициент запаса:", "&CD_VRCOEFF")
    s.line("Количество приборов:", "&CD_DV_COUNT")
    s.skip()
    s.line("Поверитель:", "&CD_VERIF")
    s.line("Подпись:", "____________________")
    s.finish()


def device_block(s, n, kind):
    p = "&D%d_" % n
    s.text("Средство измерений", bold=True)
    s.line("Наименование:", p + "NAME")
    s.line("Тип:", p + "TYPE")
    s.line("Заводской номер:", p + "SERIAL")
    s.line("Инвентарный номер:", p + "INV")
    s.line("Год изготовления:", p + "DATE")
    s.line("Рабочая среда:", p + "AMB")
    s.line("Выходной сигнал:", p + "SIGNAL")
    s.line("Владелец:", p + "OWNER")
    if kind == "calibration":
        s.line("Методика калибровки:", p + "DOC_CL")
    else:
        s.line("Методика поверки:", p + "DOC_VR")
        s.line("Вид поверки:", p + "VR_TYPE")


def checks_block(s, n):
    p = "&D%d_" % n
    s.text("Результаты поверки", bold=True)
    s.line("Внешний осмотр:", p + "NOTES")
    s.line("Проверка герметичности:", p + "CHECK_THT")
    s.line("Опробование:", p + "CHECK_USG")
    s.line("Электрическая прочность изоляции:", p + "CHECK_EL")
    s.line("Электрическое сопротивление изоляции:", p + "CHECK_R")


def points_table(s, n, kind, method):
    """The list of points of device n, as the method lays it out."""
    k = n - 1
    unit = " &ET_UNIT"
    if kind == "verification":
        # One row per nominal value: the up stroke forward, the down stroke backward.
        if method == "A":
            headers = [(1, "№"), (2, "Отметка шкалы," + unit), (2, "Показания эталона, прямой ход," + unit),
                       (2, "Показания эталона, обратный ход," + unit), (2, "Приведённая погрешность, прямой ход, %"),
                       (1, "Погр. обратный ход, %"), (1, "U, %")]
            cells = [(1, None, False), (2, "&DN_PN_I", True), (2, "&DN_D%d_I" % n, True),
                     (2, "&DN_FD%d_D" % k, True), (2, "&DN_ACC%d_I" % n, False), (1, "&DN_ACC%d_D" % n, False),
                     (1, "&DN_UNC_I", False)]
        else:
            headers = [(1, "№"), (1, "Номинальное давление," + unit), (1, "Эталон," + unit),
                       (2, "Показания прибора, прямой ход," + unit), (2, "Показания прибора, обратный ход," + unit),
                       (1, "Погр. прямой ход, %"), (1, "Погр. обратный ход, %"), (1, "U прям., %"),
                       (1, "U обр., %")]
            cells = [(1, None, False), (1, "&DN_PN_I", True), (1, "&DN_ET_I", True), (2, "&DN_FD%d_I" % k, True),
                     (2, "&DN_D%d_D" % n, True), (1, "&DN_ACC%d_I" % n, False), (1, "&DN_ACC%d_D" % n, False),
                     (1, "&DN_UNC_I", False), (1, "&DN_UNC_D", False)]
        marker = "&LST_H"
    else:
        # One row per point, in the order they were taken.
        if method == "A":
            headers = [(1, "№"), (2, "Отметка шкалы," + unit), (2, "Показания эталона," + unit),
                       (2, "Приведённая погрешность, %"), (2, "U, %"), (1, "U, кПа"), (1, "U," + unit)]
            cells = [(1, None, False), (2, "&DN_REFF_I", True), (2, "&DN_FD%d_I" % k, True),
                     (2, "&DN_ACC%d_I" % n, False), (2, "&DN_UNC_PRC_I", False), (1, "&DN_UNC_KPA_I", False),
                     (1, "&DN_UNC_UNT_I", False)]
        else:
            headers = [(1, "№"), (2, "Номинальное давление," + unit), (2, "Показания эталона," + unit),
                       (2, "Показания прибора," + unit), (1, "Погр., %"), (1, "U, %"), (1, "U, кПа"),
                       (1, "U," + unit)]
            cells = [(1, None, False), (2, "&DN_PN_I", True), (2, "&DN_ET_I", True), (2, "&DN_D%d_I" % n, True),
                     (1, "&DN_ACC%d_I" % n, False), (1, "&DN_UNC_PRC_I", False), (1, "&DN_UNC_KPA_I", False),
                     (1, "&DN_UNC_UNT_I", False)]
        marker = "&LST_F"
    s.table(headers, cells, marker)


def device_sheet(ws, n, kind, method):
    s = Sheet(ws)
    what = "калибровки" if kind == "calibration" else "поверки"
    s.title("ПРОТОКОЛ %s № &D%d_SERIAL" % (what.upper(), n))
    s.text("Дата: &CD_DATE. Метод %s" % method, height=18)
    s.skip()
    device_block(s, n, kind)
    s.skip()
    s.line("Эталон:", "&ET_TYPE &ET_MODEL, зав. № &ET_SERIAL, &ET_ACC")
    s.line("Условия:", "t = &CD_TEMP °C; φ = &CD_HUM %; P = &CD_PRES мм рт. ст.")
    s.skip()
    checks_block(s, n)
    s.skip()
    s.text("Определение основной приведённой погрешности и вариации", bold=True)
    points_table(s, n, kind, method)
    s.skip()
    s.line("Макс. приведённая погрешность, %:", "&VR%d_MAX_ACC" % n)
    s.line("Максимальная вариация, %:", "&VR%d_MAX_VAR" % n)
    s.line("Результаты %s:" % what, "&VR%d_RESULT_SHORT" % n)
    s.line("Заключение:", "&VR%d_RESULT" % n, height=20)
    s.skip()
    s.line("Поверитель:", "&CD_VERIF  ____________________")
    s.finish()


def certificate_sheet(ws, n, kind):
    s = Sheet(ws)
    p = "&D%d_" % n
    if kind == "verification":
        s.title("СВИДЕТЕЛЬСТВО О ПОВЕРКЕ № ____________", size=16, height=30)
        s.text("Действительно до «___» ______________ 20___ г.")
        s.skip()
        s.line("Средство измерений:", p + "NAME " + p + "TYPE")
        s.line("Заводской номер:", p + "SERIAL")
        s.line("Принадлежащее:", p + "OWNER")
        s.line("Поверено в соответствии с:", p + "DOC_VR")
        s.line("Эталон:", "&ET_TYPE &ET_MODEL, зав. № &ET_SERIAL")
        s.line("Условия поверки:", "&CD_TEMP_FULL; &CD_HUM_FULL; &CD_PRES_FULL")
        s.skip()
        s.text("По результатам %sVR_TYPE_OF поверки средство измерений" % p)
        s.text("&VR%d_RESULT_VCR" % n, height=75)
    else:
        s.title("СЕРТИФИКАТ О КАЛИБРОВКЕ № ____________", size=16, height=30)
        s.skip()
        s.line("Средство измерений:", p + "NAME " + p + "TYPE")
        s.line("Заводской номер:", p + "SERIAL")
        s.line("Владелец:", p + "OWNER")
        s.line("Методика калибровки:", p + "DOC_CL")
        s.line("Эталон:", "&ET_TYPE &ET_MODEL, зав. № &ET_SERIAL")
        s.line("Условия калибровки:", "&CD_TEMP_FULL; &CD_HUM_FULL; &CD_PRES_FULL")
        s.skip()
        s.text("Результаты калибровки в первых точках, &ET_UNIT", bold=True)
        ws = s.ws
        for col, caption in zip("ABCDEF", ["Точка", "1", "2", "3", "4", "5"]):
            ws["%s%d" % (col, s.row)] = caption
            ws["%s%d" % (col, s.row)].font = font(10, bold=True)
            ws["%s%d" % (col, s.row)].border = BOX
        s.row += 1
        for caption, prefix in [("Номин.", "&PN_"), ("Эталон", "&ET_"), ("Прибор", "&D%d_" % n)]:
            ws["A%d" % s.row] = caption
            ws["A%d" % s.row].font = font(10, bold=True)
            ws["A%d" % s.row].border = BOX
            for i, col in enumerate("BCDEF", start=1):
                cell = ws["%s%d" % (col, s.row)]
                cell.value = "%s%d" % (prefix, i)
                cell.number_format = PRESSURE_FORMAT
                cell.border = BOX
                cell.font = font(10)
            s.row += 1
        s.skip()
        s.line("Макс. приведённая погрешность, %:", "&VR%d_MAX_ACC" % n)
        s.line("Заключение:", "&VR%d_RESULT" % n)
    s.skip()
    s.line("Дата:", "&CD_DATE")
    s.line("Поверитель:", "&CD_VERIF  ____________________")
    s.finish()


def custom_template(ws):
    """The operator's starting point: every kind of placeholder on one sheet."""
    s = Sheet(ws)
    ws["M1"] = SCAN_COLUMNS
    ws["N1"] = SCAN_ROWS
    s.title("ПРОТОКОЛ (шаблон пользователя)")
    s.text("Дата: &CD_DATE, поверитель: &CD_VERIF")
    s.text("Условия: &CD_TEMP_FULL, &CD_HUM_FULL, &CD_PRES_FULL")
    s.text("Эталон: &ET_TYPE &ET_MODEL (&ET_CLASS), зав. № &ET_SERIAL, &ET_ACC, &ET_QVT_INTERVAL")
    s.text("Интервал: &ET_LO … &ET_HI &ET_UNIT; класс &CD_CLASS; запас &CD_VRCOEFF; приборов &CD_DV_COUNT")
    s.text("Прибор 1: &D1_NAME &D1_TYPE, зав. № &D1_SERIAL, &D1_VR_TYPE поверка")
    s.skip()
    s.text("Точки обратного хода", bold=True)
    headers = [(1, "№"), (2, "Номинал (обр.)"), (2, "Номинал по эталону (обр.)"), (1, "Эталон (обр.)"),
               (1, "U, % (обр.)"), (1, "U, кПа (обр.)"), (1, "U (обр.)"), (2, "Прибор 1 (обр.)")]
    cells = [(1, None, False), (2, "&DN_PN_D", True), (2, "&DN_REFF_D", True), (1, "&DN_ET_D", True),
             (1, "&DN_UNC_PRC_D", False), (1, "&DN_UNC_KPA_D", False), (1, "&DN_UNC_UNT_D", False),
             (2, "&DN_D1_D", True)]
    s.table(headers, cells, "&LST_F")
    s.skip()
    s.text("Точки прямого хода", bold=True)
    headers = [(1, "№"), (3, "Номинал по эталону"), (3, "Прибор 1"), (4, "Погрешность, %")]
    cells = [(1, None, False), (3, "&DN_REFF_I", True), (3, "&DN_D1_I", True), (4, "&DN_ACC1_I", False)]
    s.table(headers, cells, "&LST_H")
    s.skip()
    s.text("Первая точка", bold=True)
    for caption, key in [("Первая точка, номинал:", "&PN_1"), ("Первая точка, эталон:", "&ET_1"),
                         ("Первая точка, прибор 1:", "&D1_1")]:
        s.merged(caption, "A", "D", font(bold=True))
        s.ws["E%d" % s.row] = key
        s.ws["E%d" % s.row].number_format = PRESSURE_FORMAT
        s.row += 1
    s.line("Результат:", "&VR1_RESULT (&VR1_RESULT_SHORT), погрешность &VR1_MAX_ACC %, вариация &VR1_MAX_VAR %")
    s.finish()


def workbook(kind, method):
    wb = openpyxl.Workbook()
    main = wb.active
    main.title = "Протокол"
    main_sheet(main, kind)
    for n in range(1, 5):
        device_sheet(wb.create_sheet("&DEV_SH_%d" % n), n, kind, method)
    prefix = "&DEV_CCR_" if kind == "calibration" else "&DEV_VCR_"
    for n in range(1, 5):
        certificate_sheet(wb.create_sheet("%s%d" % (prefix, n)), n, kind)
    return wb


def save(wb, path):
    wb.properties.creator = "Manovera"
    wb.properties.title = "Шаблон протокола"
    wb.properties.created = FIXED_TIME
    wb.properties.modified = FIXED_TIME
    wb.active = 0
    wb.save(path)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for kind in ("calibration", "verification"):
        for method in ("A", "B"):
            save(workbook(kind, method), os.path.join(folder, "default_template_%s_%s.xlsx" % (kind, method)))
    wb = openpyxl.Workbook()
    wb.active.title = "Протокол"
    custom_template(wb.active)
    save(wb, os.path.join(folder, "custom_template.xlsx"))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "Templates"))
