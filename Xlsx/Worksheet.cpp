#include "Xlsx/Worksheet.h"

#include "Xlsx/ReferenceText.h"
#include "Xlsx/XlsxGlobal.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace Xlsx {

namespace {

const QStringList &worksheetOrder()
{
    static const QStringList order = {
        "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
        "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
        "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
        "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
        "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
        "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts",
        "extLst"};
    return order;
}

int shiftedRow(int r, int row, int count)
{
    if (r <= row)
        return r;
    return int(qMin<qint64>(qint64(r) + count, MaxRows));
}

QString shiftedRange(const QString &text, int row, int count, int extra = 0)
{
    CellRange range(text);
    if (!range.isValid())
        return text;   // whole columns and the like do not move
    range.setFirstRow(shiftedRow(range.firstRow(), row, count) + extra);
    range.setLastRow(qMin(shiftedRow(range.lastRow(), row, count) + extra, MaxRows));
    if (!range.isValid())
        return text;
    return range.toString();
}

QString shiftedRangeList(const QString &sqref, int row, int count)
{
    QStringList parts = sqref.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (auto &p : parts)
        p = shiftedRange(p, row, count);
    return parts.join(QLatin1Char(' '));
}

QString xmlOf(const XmlNode &node)
{
    QString s;
    node.write(s);
    return s;
}

// Text of an inline or shared rich string: the runs' texts joined, phonetic
// guides left out.
QString stringItemText(const XmlNode &item)
{
    QString s;
    for (const auto &c : item.children) {
        if (c.kind != XmlNode::Element)
            continue;
        const QString n = localName(c.name);
        if (n == QLatin1String("t")) {
            s += c.innerText();
        } else if (n == QLatin1String("r")) {
            for (const auto &rc : c.children)
                if (rc.kind == XmlNode::Element && localName(rc.name) == QLatin1String("t"))
                    s += rc.innerText();
        }
    }
    return Cell::decodeEscapes(s);
}

double serialOf(const QDateTime &dt)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    QDateTime local = dt;
    local.setTimeSpec(Qt::UTC);   // the serial number has no time zone
    return double(epoch.msecsTo(local)) / 86400000.0;
}

}

QString Cell::textOfStringItem(const XmlNode &item) { return stringItemText(item); }

QByteArray Worksheet::emptyPart()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
        "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
        "</worksheet>");
}

bool Worksheet::load(const QByteArray &part, const QStringList &sharedStrings, QString *error)
{
    QXmlStreamReader reader(part);
    prepareReader(reader);
    bool haveRoot = false;
    bool haveData = false;
    while (!reader.atEnd() && !reader.hasError()) {
        const auto token = reader.readNext();
        if (rejectDtd(reader))
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (haveRoot) {
            reader.raiseError(QStringLiteral("more than one root element"));
            break;
        }
        haveRoot = true;
        const QString rootName = reader.qualifiedName().toString();
        if (localName(rootName) != QLatin1String("worksheet")) {
            reader.raiseError(QStringLiteral("the part is no worksheet"));
            break;
        }
        m_prefix = prefixOf(rootName);
        m_root = XmlNode(rootName);
        for (const auto &a : reader.attributes())
            m_root.attributes.append({a.qualifiedName().toString(), a.value().toString()});
        while (!reader.atEnd() && !reader.hasError()) {
            const auto t = reader.readNext();
            if (rejectDtd(reader))
                break;
            if (t == QXmlStreamReader::EndElement)
                break;
            if (t == QXmlStreamReader::StartElement) {
                if (localName(reader.qualifiedName()) == QLatin1String("sheetData")) {
                    if (haveData) {
                        reader.raiseError(QStringLiteral("two sheetData elements"));
                        break;
                    }
                    haveData = true;
                    XmlNode placeholder(reader.qualifiedName().toString());
                    for (const auto &a : reader.attributes())
                        placeholder.attributes.append({a.qualifiedName().toString(), a.value().toString()});
                    m_root.children.push_back(std::move(placeholder));
                    if (!parseSheetData(reader, sharedStrings))
                        break;
                } else {
                    m_root.children.push_back(XmlNode::readElement(reader));
                }
            } else if (t == QXmlStreamReader::Characters) {
                XmlNode text;
                text.kind = XmlNode::Text;
                text.text = reader.text().toString();
                m_root.children.push_back(std::move(text));
            }
        }
    }
    if (!reader.hasError() && !haveRoot)
        reader.raiseError(QStringLiteral("no root element"));
    if (!reader.hasError()) {
        // Read to the end, so that anything after the root is checked too.
        while (!reader.atEnd() && !reader.hasError()) {
            reader.readNext();
            if (rejectDtd(reader) || reader.isStartElement())
                reader.raiseError(QStringLiteral("content after the root element"));
        }
    }
    if (reader.hasError()) {
        if (error)
            *error = m_error.isEmpty()
                         ? QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber())
                         : m_error;
        return false;
    }
    if (!haveData)
        insertTopLevel(QStringLiteral("sheetData"));
    return true;
}

bool Worksheet::parseSheetData(QXmlStreamReader &reader, const QStringList &sharedStrings)
{
    int lastRow = 0;
    while (!reader.atEnd()) {
        const auto t = reader.readNext();
        if (rejectDtd(reader))
            return false;
        if (t == QXmlStreamReader::EndElement)
            return true;
        if (t != QXmlStreamReader::StartElement)
            continue;
        if (localName(reader.qualifiedName()) != QLatin1String("row")) {
            reader.skipCurrentElement();
            continue;
        }
        int row = lastRow + 1;
        const QStringRef r = reader.attributes().value(QLatin1String("r"));
        if (!r.isEmpty()) {
            bool ok = false;
            row = r.toInt(&ok);
            if (!ok) {
                return fail(reader, QStringLiteral("malformed row number \"%1\"").arg(r.toString()));
            }
        }
        if (row < 1 || row > MaxRows) {
            return fail(reader, QStringLiteral("row %1 lies beyond the sheet limits").arg(row));
        }
        lastRow = row;
        if (!parseRow(reader, row, sharedStrings))
            return false;
    }
    return !reader.hasError();
}

bool Worksheet::parseRow(QXmlStreamReader &reader, int row, const QStringList &sharedStrings)
{
    Row &entry = m_rows[row];
    for (const auto &a : reader.attributes()) {
        const QStringRef n = a.qualifiedName();
        if (n != QLatin1String("r") && n != QLatin1String("spans"))
            entry.attributes.append({n.toString(), a.value().toString()});
    }
    int lastColumn = 0;
    while (!reader.atEnd()) {
        const auto t = reader.readNext();
        if (rejectDtd(reader))
            return false;
        if (t == QXmlStreamReader::EndElement)
            return true;
        if (t != QXmlStreamReader::StartElement)
            continue;
        if (localName(reader.qualifiedName()) != QLatin1String("c")) {
            reader.skipCurrentElement();
            continue;
        }
        int column = lastColumn + 1;
        const QStringRef ref = reader.attributes().value(QLatin1String("r"));
        if (!ref.isEmpty()) {
            const CellReference cr(ref.toString());
            if (!cr.isValid()) {
                return fail(reader, QStringLiteral("cell reference \"%1\" is malformed or beyond the sheet limits").arg(ref.toString()));
            }
            if (cr.row() != row) {
                return fail(reader, QStringLiteral("cell %1 stands in row %2").arg(ref.toString()).arg(row));
            }
            column = cr.column();
        }
        if (column > MaxColumns) {
            return fail(reader, QStringLiteral("row %1 has cells beyond the last column").arg(row));
        }
        lastColumn = column;
        auto cell = std::make_shared<Cell>();
        if (!parseCell(reader, *cell, sharedStrings))
            return false;
        entry.cells[column] = std::move(cell);
    }
    return !reader.hasError();
}

bool Worksheet::parseCell(QXmlStreamReader &reader, Cell &cell, const QStringList &sharedStrings)
{
    for (const auto &a : reader.attributes()) {
        const QStringRef n = a.qualifiedName();
        if (n == QLatin1String("r"))
            continue;
        if (n == QLatin1String("t")) {
            cell.m_storedType = a.value().toString();
        } else if (n == QLatin1String("s")) {
            bool ok = false;
            cell.m_style = a.value().toInt(&ok);
            if (!ok || cell.m_style < 0) {
                return fail(reader, QStringLiteral("malformed cell style \"%1\"").arg(a.value().toString()));
            }
        } else {
            cell.m_extraAttributes.append({n.toString(), a.value().toString()});
        }
    }
    XmlNode inlineString;
    bool haveInline = false;
    while (!reader.atEnd()) {
        const auto t = reader.readNext();
        if (rejectDtd(reader))
            return false;
        if (t == QXmlStreamReader::EndElement)
            break;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QString n = localName(reader.qualifiedName());
        if (n == QLatin1String("v")) {
            cell.m_storedValue = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            if (cell.m_storedValue.isNull())
                cell.m_storedValue = QLatin1String("");
        } else if (n == QLatin1String("f")) {
            cell.m_hasFormula = true;
            for (const auto &a : reader.attributes())
                cell.m_formulaAttributes.append({a.qualifiedName().toString(), a.value().toString()});
            cell.m_formula = reader.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        } else if (n == QLatin1String("is")) {
            inlineString = XmlNode::readElement(reader);
            haveInline = true;
            cell.m_storedInline = xmlOf(inlineString);
        } else {
            cell.m_storedExtra += xmlOf(XmlNode::readElement(reader));
        }
    }
    if (reader.hasError())
        return false;

    const QString &type = cell.m_storedType;
    const QString &v = cell.m_storedValue;
    if (type.isEmpty() || type == QLatin1String("n")) {
        if (!v.trimmed().isEmpty()) {
            bool ok = false;
            const double d = v.trimmed().toDouble(&ok);
            if (!ok)
                return fail(reader, QStringLiteral("malformed number \"%1\"").arg(v.left(40)));
            cell.m_type = Cell::Type::Number;
            cell.m_value = d;
        }
    } else if (type == QLatin1String("s")) {
        if (!v.isNull()) {
            bool ok = false;
            const int index = v.trimmed().toInt(&ok);
            if (!ok || index < 0 || index >= sharedStrings.size())
                return fail(reader, QStringLiteral("shared string index \"%1\" out of range").arg(v.left(20)));
            cell.m_type = Cell::Type::String;
            cell.m_value = sharedStrings.at(index);
        }
    } else if (type == QLatin1String("inlineStr")) {
        cell.m_type = Cell::Type::String;
        cell.m_value = haveInline ? stringItemText(inlineString) : Cell::decodeEscapes(v);
    } else if (type == QLatin1String("str") || type == QLatin1String("d")) {
        if (!v.isNull()) {
            cell.m_type = Cell::Type::String;
            cell.m_value = Cell::decodeEscapes(v);
        }
    } else if (type == QLatin1String("b")) {
        if (!v.isNull()) {
            cell.m_type = Cell::Type::Boolean;
            cell.m_value = v.trimmed() == QLatin1String("1") || v.trimmed() == QLatin1String("true");
        }
    } else if (type == QLatin1String("e")) {
        cell.m_type = Cell::Type::Error;
        cell.m_value = v;
    } else {
        return fail(reader, QStringLiteral("unknown cell type \"%1\"").arg(type.left(20)));
    }
    return true;
}

bool Worksheet::fail(QXmlStreamReader &reader, const QString &what)
{
    m_error = what;
    reader.raiseError(m_error);
    return false;
}

std::shared_ptr<const Cell> Worksheet::cellAt(int row, int column) const
{
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return nullptr;
    const auto c = r->second.cells.find(column);
    if (c == r->second.cells.end())
        return nullptr;
    return c->second;
}

QVariant Worksheet::read(int row, int column) const
{
    const auto cell = cellAt(row, column);
    return cell ? cell->value() : QVariant();
}

Cell &Worksheet::obtainCell(int row, int column)
{
    auto &slot = m_rows[row].cells[column];
    if (!slot)
        slot = std::make_shared<Cell>();
    return *slot;
}

bool Worksheet::write(int row, int column, const QVariant &value, int style)
{
    if (!CellReference(row, column).isValid())
        return false;

    Cell::Type type = Cell::Type::Blank;
    QVariant stored;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        break;
    case QMetaType::Bool:
        type = Cell::Type::Boolean;
        stored = value.toBool();
        break;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false;
        type = Cell::Type::Number;
        stored = d;
        break;
    }
    case QMetaType::QDate:
        type = Cell::Type::Number;
        stored = serialOf(QDateTime(value.toDate(), QTime(0, 0), Qt::UTC));
        break;
    case QMetaType::QDateTime:
        type = Cell::Type::Number;
        stored = serialOf(value.toDateTime());
        break;
    case QMetaType::QString: case QMetaType::QByteArray: case QMetaType::QChar: {
        const QString s = value.toString();
        if (s.size() > 32767)
            return false;
        if (!s.isEmpty()) {
            type = Cell::Type::String;
            stored = s;
        }
        break;
    }
    default:
        return false;
    }
    if (value.isNull() && type != Cell::Type::String)
        type = Cell::Type::Blank, stored = QVariant();

    if (const auto existing = cellAt(row, column)) {
        if (existing->isSharedFormula()) {
            for (const auto &a : existing->m_formulaAttributes)
                if (a.name == QLatin1String("ref"))
                    return false;
        }
    }
    Cell &cell = obtainCell(row, column);
    cell.m_type = type;
    cell.m_value = stored;
    cell.m_written = true;
    cell.m_storedType.clear();
    cell.m_storedValue = QString();
    cell.m_storedInline.clear();
    cell.m_hasFormula = false;
    cell.m_formula.clear();
    cell.m_formulaAttributes.clear();
    // Value and cell metadata belong to the old value and formula.
    for (int i = cell.m_extraAttributes.size() - 1; i >= 0; --i)
        if (cell.m_extraAttributes.at(i).name == QLatin1String("vm") || cell.m_extraAttributes.at(i).name == QLatin1String("cm"))
            cell.m_extraAttributes.remove(i);
    if (style >= 0)
        cell.m_style = style;
    return true;
}

XmlNode *Worksheet::topLevel(const QString &name)
{
    return m_root.child(prefixed(name));
}

XmlNode *Worksheet::insertTopLevel(const QString &name)
{
    if (XmlNode *existing = topLevel(name))
        return existing;
    const int order = worksheetOrder().indexOf(name);
    auto pos = m_root.children.end();
    for (auto it = m_root.children.begin(); it != m_root.children.end(); ++it) {
        if (it->kind != XmlNode::Element || !it->name.startsWith(m_prefix))
            continue;
        const int other = worksheetOrder().indexOf(it->name.mid(m_prefix.size()));
        if (other > order) {
            pos = it;
            break;
        }
    }
    return &*m_root.children.insert(pos, XmlNode(prefixed(name)));
}

bool Worksheet::setColumnWidth(int first, int last, double width)
{
    if (first < 1 || last < first || last > MaxColumns || !std::isfinite(width) || width < 0 || width > 255)
        return false;
    XmlNode *cols = insertTopLevel(QStringLiteral("cols"));
    const QString colName = prefixed(QStringLiteral("col"));
    // Split the existing ranges around [first, last], then add ours.
    std::vector<XmlNode> result;
    for (auto &c : cols->children) {
        if (c.kind != XmlNode::Element || c.name != colName) {
            result.push_back(c);
            continue;
        }
        const int min = c.attribute(QStringLiteral("min")).toInt();
        const int max = c.attribute(QStringLiteral("max")).toInt();
        if (max < first || min > last) {
            result.push_back(c);
            continue;
        }
        if (min < first) {
            XmlNode left = c;
            left.setAttribute(QStringLiteral("max"), QString::number(first - 1));
            result.push_back(left);
        }
        if (max > last) {
            XmlNode right = c;
            right.setAttribute(QStringLiteral("min"), QString::number(last + 1));
            result.push_back(right);
        }
    }
    XmlNode col(colName);
    col.setAttribute(QStringLiteral("min"), QString::number(first));
    col.setAttribute(QStringLiteral("max"), QString::number(last));
    col.setAttribute(QStringLiteral("width"), QString::number(width, 'g', 15));
    col.setAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
    auto pos = result.begin();
    while (pos != result.end() && !(pos->kind == XmlNode::Element && pos->attribute(QStringLiteral("min")).toInt() > last))
        ++pos;
    result.insert(pos, col);
    cols->children.swap(result);
    return true;
}

int Worksheet::nextRow(int after) const
{
    for (auto it = m_rows.upper_bound(after); it != m_rows.end(); ++it)
        if (!it->second.cells.empty())
            return it->first;
    return 0;
}

int Worksheet::nextColumn(int row, int after) const
{
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return 0;
    const auto c = r->second.cells.upper_bound(after);
    return c == r->second.cells.end() ? 0 : c->first;
}

std::vector<Worksheet::ColumnCell> Worksheet::rowCells(int row) const
{
    std::vector<ColumnCell> cells;
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return cells;
    cells.reserve(r->second.cells.size());
    for (const auto &c : r->second.cells)
        cells.emplace_back(c.first, c.second);
    return cells;
}

CellRange Worksheet::dimension() const
{
    int firstRow = 0, lastRow = 0, firstColumn = MaxColumns + 1, lastColumn = 0;
    for (const auto &r : m_rows) {
        if (r.second.cells.empty())
            continue;
        if (!firstRow)
            firstRow = r.first;
        lastRow = r.first;
        firstColumn = qMin(firstColumn, r.second.cells.begin()->first);
        lastColumn = qMax(lastColumn, r.second.cells.rbegin()->first);
    }
    if (!firstRow)
        return CellRange();
    return CellRange(firstRow, firstColumn, lastRow, lastColumn);
}

namespace {

double attributeNumber(const XmlNode *node, const QString &name, double fallback)
{
    bool ok = false;
    const double v = node ? node->attribute(name).toDouble(&ok) : 0.0;
    return ok && std::isfinite(v) && v >= 0 ? v : fallback;
}

}

double Worksheet::defaultRowHeight() const
{
    return attributeNumber(m_root.child(prefixed(QStringLiteral("sheetFormatPr"))), QStringLiteral("defaultRowHeight"), 15.0);
}

double Worksheet::rowHeight(int row) const
{
    const auto r = m_rows.find(row);
    if (r != m_rows.end())
        for (const auto &a : r->second.attributes)
            if (a.name == QLatin1String("ht")) {
                bool ok = false;
                const double h = a.value.toDouble(&ok);
                if (ok && std::isfinite(h) && h >= 0)
                    return h;
            }
    return defaultRowHeight();
}

bool Worksheet::rowHeightIsFixed(int row) const
{
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return false;
    for (const auto &a : r->second.attributes)
        if ((a.name == QLatin1String("customHeight") || a.name == QLatin1String("hidden"))
            && (a.value == QLatin1String("1") || a.value == QLatin1String("true")))
            return true;
    return false;
}

void Worksheet::setRowHeight(int row, double points)
{
    auto &attributes = m_rows[row].attributes;
    const QString value = QString::number(points, 'g', 15);
    for (auto &a : attributes)
        if (a.name == QLatin1String("ht")) {
            a.value = value;
            return;
        }
    attributes.append({QStringLiteral("ht"), value});
}

double Worksheet::columnWidth(int column) const
{
    if (const XmlNode *cols = m_root.child(prefixed(QStringLiteral("cols")))) {
        const QString colName = prefixed(QStringLiteral("col"));
        for (const auto &c : cols->children)
            if (c.kind == XmlNode::Element && c.name == colName
                && c.attribute(QStringLiteral("min")).toInt() <= column && column <= c.attribute(QStringLiteral("max")).toInt()
                && c.hasAttribute(QStringLiteral("width")))
                return attributeNumber(&c, QStringLiteral("width"), 8.43);
    }
    const XmlNode *format = m_root.child(prefixed(QStringLiteral("sheetFormatPr")));
    if (format && format->hasAttribute(QStringLiteral("defaultColWidth")))
        return attributeNumber(format, QStringLiteral("defaultColWidth"), 8.43);
    // The base width leaves out the cell's margins.
    return attributeNumber(format, QStringLiteral("baseColWidth"), 8.0) + 0.43;
}

CellRange Worksheet::mergedRangeAt(int row, int column) const
{
    if (const XmlNode *merges = m_root.child(prefixed(QStringLiteral("mergeCells")))) {
        const QString item = prefixed(QStringLiteral("mergeCell"));
        for (const auto &m : merges->children) {
            if (m.kind != XmlNode::Element || m.name != item)
                continue;
            const CellRange range(m.attribute(QStringLiteral("ref")));
            if (range.isValid() && range.firstRow() <= row && row <= range.lastRow() && range.firstColumn() <= column
                && column <= range.lastColumn())
                return range;
        }
    }
    return CellRange();
}

bool Worksheet::hasFormulas() const
{
    for (const auto &r : m_rows)
        for (const auto &c : r.second.cells)
            if (c.second->m_hasFormula)
                return true;
    return false;
}

bool Worksheet::shiftRowsDown(int row, int count)
{
    if (count < 1 || row < 0)
        return true;
    if (!m_rows.empty() && m_rows.rbegin()->first > row && qint64(m_rows.rbegin()->first) + count > MaxRows)
        return false;
    // A member of a shared group reads the group's text from its own
    // position: one whose row moves, or whose references move while it stays,
    // would read something else. Every group of the sheet is written out.
    unshareFormulas([](const QString &) { return true; });
    // From the last row up, so that no row lands on one not yet moved.
    std::vector<int> keys;
    for (auto it = m_rows.upper_bound(row); it != m_rows.end(); ++it)
        keys.push_back(it->first);
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        auto node = m_rows.extract(*k);
        node.key() = *k + count;
        m_rows.insert(std::move(node));
    }
    shiftFormulaRanges(row, count);
    shiftAnchoredRanges(row, count);
    if (m_rowsShifted)
        m_rowsShifted(row, count);
    return true;
}

void Worksheet::shiftFormulaRanges(int row, int count)
{
    for (auto &r : m_rows)
        for (auto &c : r.second.cells) {
            Cell &cell = *c.second;
            if (!cell.m_hasFormula)
                continue;
            for (auto &a : cell.m_formulaAttributes)
                if (a.name == QLatin1String("ref"))
                    a.value = shiftedRange(a.value, row, count);
        }
}

void Worksheet::unshareFormulas(const std::function<bool(const QString &)> &affected)
{
    struct Group
    {
        int row = 0;
        int column = 0;
        QString text;
        bool affected = false;
    };
    auto groupOf = [](const Cell &cell) {
        for (const auto &a : cell.m_formulaAttributes)
            if (a.name == QLatin1String("si"))
                return a.value;
        return QString();
    };
    std::map<QString, Group> groups;
    for (const auto &r : m_rows)
        for (const auto &c : r.second.cells) {
            const Cell &cell = *c.second;
            if (cell.m_hasFormula && cell.isSharedFormula() && !cell.m_formula.isEmpty())
                groups.emplace(groupOf(cell), Group{r.first, c.first, cell.m_formula, affected(cell.m_formula)});
        }
    if (std::none_of(groups.begin(), groups.end(), [](const auto &g) { return g.second.affected; }))
        return;
    for (auto &r : m_rows)
        for (auto &c : r.second.cells) {
            Cell &cell = *c.second;
            if (!cell.m_hasFormula || !cell.isSharedFormula())
                continue;
            const auto g = groups.find(groupOf(cell));
            // A member whose group has no text cannot be written out.
            if (g == groups.end() || !g->second.affected)
                continue;
            cell.m_formula = ReferenceText::moved(g->second.text, r.first - g->second.row, c.first - g->second.column);
            for (int k = cell.m_formulaAttributes.size() - 1; k >= 0; --k) {
                const QString &name = cell.m_formulaAttributes.at(k).name;
                if (name == QLatin1String("t") || name == QLatin1String("si") || name == QLatin1String("ref"))
                    cell.m_formulaAttributes.remove(k);
            }
        }
}

void Worksheet::rewriteFormulas(const std::function<QString(const QString &)> &rewrite)
{
    for (auto &r : m_rows)
        for (auto &c : r.second.cells) {
            Cell &cell = *c.second;
            if (cell.m_hasFormula && !cell.m_formula.isEmpty())
                cell.m_formula = rewrite(cell.m_formula);
        }
    auto rewriteText = [&](XmlNode &node) {
        const QString text = node.innerText();
        const QString changed = rewrite(text);
        if (changed != text)
            node.setInnerText(changed);
    };
    const QString cfName = prefixed(QStringLiteral("conditionalFormatting"));
    const QString ruleName = prefixed(QStringLiteral("cfRule"));
    const QString formulaName = prefixed(QStringLiteral("formula"));
    const QString validationsName = prefixed(QStringLiteral("dataValidations"));
    const QString validationName = prefixed(QStringLiteral("dataValidation"));
    const QString formula1 = prefixed(QStringLiteral("formula1"));
    const QString formula2 = prefixed(QStringLiteral("formula2"));
    for (auto &container : m_root.children) {
        if (container.kind != XmlNode::Element)
            continue;
        const bool cf = container.name == cfName;
        if (!cf && container.name != validationsName)
            continue;
        for (auto &item : container.children) {
            if (item.kind != XmlNode::Element || item.name != (cf ? ruleName : validationName))
                continue;
            for (auto &f : item.children)
                if (f.kind == XmlNode::Element
                    && (cf ? f.name == formulaName : (f.name == formula1 || f.name == formula2)))
                    rewriteText(f);
        }
    }
}

void Worksheet::rewriteHyperlinkLocations(const std::function<QString(const QString &)> &rewrite)
{
    XmlNode *links = topLevel(QStringLiteral("hyperlinks"));
    if (!links)
        return;
    const QString item = prefixed(QStringLiteral("hyperlink"));
    const QString location = QStringLiteral("location");
    for (auto &link : links->children)
        if (link.kind == XmlNode::Element && link.name == item && link.hasAttribute(location)) {
            const QString text = link.attribute(location);
            const QString changed = rewrite(text);
            if (changed != text)
                link.setAttribute(location, changed);
        }
}

void Worksheet::shiftAnchoredRanges(int row, int count)
{
    struct Target { const char *container; const char *item; const char *attribute; };
    static const Target targets[] = {
        {"mergeCells", "mergeCell", "ref"},       {"hyperlinks", "hyperlink", "ref"},
        {"dataValidations", "dataValidation", "sqref"}, {"ignoredErrors", "ignoredError", "sqref"},
        {"protectedRanges", "protectedRange", "sqref"}};
    for (const auto &t : targets) {
        XmlNode *container = topLevel(QLatin1String(t.container));
        if (!container)
            continue;
        const QString item = prefixed(QLatin1String(t.item));
        const QString attribute = QLatin1String(t.attribute);
        for (auto &c : container->children)
            if (c.kind == XmlNode::Element && c.name == item && c.hasAttribute(attribute))
                c.setAttribute(attribute, shiftedRangeList(c.attribute(attribute), row, count));
    }
    const QString cfName = prefixed(QStringLiteral("conditionalFormatting"));
    const QString autoFilterName = prefixed(QStringLiteral("autoFilter"));
    const QString breaksName = prefixed(QStringLiteral("rowBreaks"));
    const QString breakName = prefixed(QStringLiteral("brk"));
    const QString sortStateName = prefixed(QStringLiteral("sortState"));
    const QString sortConditionName = prefixed(QStringLiteral("sortCondition"));
    const QString ref = QStringLiteral("ref");
    // A sort range and the ranges of its conditions, on their own or in the auto filter.
    const auto shiftSort = [&](XmlNode &state) {
        if (state.hasAttribute(ref))
            state.setAttribute(ref, shiftedRange(state.attribute(ref), row, count));
        for (auto &condition : state.children)
            if (condition.kind == XmlNode::Element && condition.name == sortConditionName && condition.hasAttribute(ref))
                condition.setAttribute(ref, shiftedRange(condition.attribute(ref), row, count));
    };
    for (auto &c : m_root.children) {
        if (c.kind != XmlNode::Element)
            continue;
        if (c.name == cfName && c.hasAttribute(QStringLiteral("sqref"))) {
            c.setAttribute(QStringLiteral("sqref"), shiftedRangeList(c.attribute(QStringLiteral("sqref")), row, count));
        } else if (c.name == autoFilterName && c.hasAttribute(ref)) {
            c.setAttribute(ref, shiftedRange(c.attribute(ref), row, count));
            for (auto &state : c.children)
                if (state.kind == XmlNode::Element && state.name == sortStateName)
                    shiftSort(state);
        } else if (c.name == sortStateName) {
            shiftSort(c);
        } else if (c.name == breaksName) {
            for (auto &b : c.children) {
                if (b.kind != XmlNode::Element || b.name != breakName)
                    continue;
                bool ok = false;
                const int id = b.attribute(QStringLiteral("id")).toInt(&ok);
                if (ok && id > row)
                    b.setAttribute(QStringLiteral("id"), QString::number(qMin<qint64>(qint64(id) + count, MaxRows - 1)));
            }
        }
    }
}

bool Worksheet::insertRowCopies(int row, int count)
{
    if (count < 1)
        return true;
    auto source = m_rows.find(row);
    if (source == m_rows.end() || source->second.cells.empty())
        return true;
    const int lastRow = m_rows.rbegin()->first;
    if (qint64(row) + count > MaxRows || (lastRow > row && qint64(lastRow) + count > MaxRows))
        return false;
    if (!shiftRowsDown(row, count))
        return false;
    source = m_rows.find(row);

    const QString ref = QStringLiteral("ref");
    // A copied formula's relative rows move with the copy; most list formulas
    // have none, and then every copy shares the source's text.
    std::map<int, bool> movesWithCopy;
    for (const auto &c : source->second.cells)
        if (c.second->m_hasFormula)
            movesWithCopy[c.first] = ReferenceText::moved(c.second->m_formula, 1, 0) != c.second->m_formula;
    // The rows below were moved away, so every copy is a new row, and its
    // cells come in column order: each goes in at the end.
    auto at = source;
    for (int i = 1; i <= count; ++i) {
        at = m_rows.emplace_hint(std::next(at), row + i, Row());
        Row &target = at->second;
        target.attributes = source->second.attributes;
        for (const auto &c : source->second.cells) {
            auto copy = std::make_shared<Cell>(*c.second);
            if (copy->m_hasFormula) {
                if (movesWithCopy[c.first])
                    copy->m_formula = ReferenceText::moved(copy->m_formula, i, 0);
                for (auto &a : copy->m_formulaAttributes)
                    if (a.name == ref)
                        a.value = shiftedRange(a.value, 0, 0, i);   // an array formula's own range
            }
            target.cells.emplace_hint(target.cells.end(), c.first, std::move(copy));
        }
    }

    // Merged ranges of the one row go into every copy.
    if (XmlNode *merges = topLevel(QStringLiteral("mergeCells"))) {
        const QString item = prefixed(QStringLiteral("mergeCell"));
        std::vector<XmlNode> added;
        for (const auto &m : merges->children) {
            if (m.kind != XmlNode::Element || m.name != item)
                continue;
            const CellRange range(m.attribute(ref));
            if (!range.isValid() || range.firstRow() != row || range.lastRow() != row)
                continue;
            for (int i = 1; i <= count; ++i) {
                XmlNode copy = m;
                copy.setAttribute(ref, CellRange(row + i, range.firstColumn(), row + i, range.lastColumn()).toString());
                added.push_back(std::move(copy));
            }
        }
        for (auto &a : added)
            merges->children.push_back(std::move(a));
    }
    return true;
}

void Worksheet::finishForSave(bool selected)
{
    const CellRange used = dimension();
    XmlNode *dim = insertTopLevel(QStringLiteral("dimension"));
    dim->attributes.clear();
    dim->setAttribute(QStringLiteral("ref"), used.isValid() ? used.toString() : QStringLiteral("A1"));

    if (XmlNode *views = topLevel(QStringLiteral("sheetViews"))) {
        bool first = true;
        for (auto &v : views->children) {
            if (v.kind != XmlNode::Element)
                continue;
            if (selected && first)
                v.setAttribute(QStringLiteral("tabSelected"), QStringLiteral("1"));
            else
                v.removeAttribute(QStringLiteral("tabSelected"));
            first = false;
        }
    }

    // Keep the count attributes true, and drop containers left empty.
    for (const char *name : {"mergeCells", "dataValidations", "rowBreaks", "colBreaks"}) {
        XmlNode *c = topLevel(QLatin1String(name));
        if (!c)
            continue;
        if (c->hasAttribute(QStringLiteral("count")))
            c->setAttribute(QStringLiteral("count"), QString::number(c->elementCount()));
        if (qstrcmp(name, "rowBreaks") == 0 || qstrcmp(name, "colBreaks") == 0) {
            int manual = 0;
            for (const auto &b : c->children)
                if (b.kind == XmlNode::Element && b.attribute(QStringLiteral("man")) == QLatin1String("1"))
                    ++manual;
            if (c->hasAttribute(QStringLiteral("manualBreakCount")))
                c->setAttribute(QStringLiteral("manualBreakCount"), QString::number(manual));
        }
    }
    const QStringList mustHaveChildren = {"cols", "mergeCells", "hyperlinks", "dataValidations", "rowBreaks",
                                          "colBreaks", "conditionalFormatting", "tableParts", "ignoredErrors",
                                          "protectedRanges"};
    const QString prefix = m_prefix;
    m_root.removeChildren([&](const XmlNode &n) {
        return n.name.startsWith(prefix) && mustHaveChildren.contains(n.name.mid(prefix.size())) && n.elementCount() == 0;
    });
}

namespace {

void appendAttribute(QString &out, const QString &name, const QString &value)
{
    out += QLatin1Char(' ');
    out += name;
    out += QLatin1String("=\"");
    appendEscapedAttribute(out, value);
    out += QLatin1Char('"');
}

// A style index without a temporary text per cell.
void appendNumber(QString &out, int value)
{
    char digits[12];
    int n = 0;
    qint64 v = value;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    if (negative)
        out += QLatin1Char('-');
    while (n > 0)
        out += QLatin1Char(digits[--n]);
}

void appendElement(QString &out, const QString &name, const QString &text)
{
    out += QLatin1Char('<');
    out += name;
    out += QLatin1Char('>');
    appendEscapedText(out, text);
    out += QLatin1String("</");
    out += name;
    out += QLatin1Char('>');
}

}

void Worksheet::writeSheetData(QString &out) const
{
    const QString rowName = prefixed(QStringLiteral("row"));
    const QString cellName = prefixed(QStringLiteral("c"));
    const QString vName = prefixed(QStringLiteral("v"));
    const QString fName = prefixed(QStringLiteral("f"));
    const QString isName = prefixed(QStringLiteral("is"));
    const QString tName = prefixed(QStringLiteral("t"));
    for (const auto &r : m_rows) {
        if (r.second.cells.empty() && r.second.attributes.isEmpty())
            continue;
        const QString rowNumber = QString::number(r.first);
        out += QLatin1Char('<');
        out += rowName;
        appendAttribute(out, QStringLiteral("r"), rowNumber);
        for (const auto &a : r.second.attributes)
            appendAttribute(out, a.name, a.value);
        if (r.second.cells.empty()) {
            out += QLatin1String("/>");
            continue;
        }
        out += QLatin1Char('>');
        for (const auto &c : r.second.cells) {
            const Cell &cell = *c.second;
            out += QLatin1Char('<');
            out += cellName;
            out += QLatin1String(" r=\"");
            CellReference(r.first, c.first).appendTo(out);
            out += QLatin1Char('"');
            if (cell.m_style >= 0) {
                out += QLatin1String(" s=\"");
                appendNumber(out, cell.m_style);
                out += QLatin1Char('"');
            }
            // What follows the attributes: a stored value as it came, or the written one.
            // A formula cell has neither: its cached result (and the result's type) is
            // left out, since copied and moved rows and filled cells make it stale, and
            // not every reader recalculates on load when told to, while every reader
            // computes a formula that has no result.
            enum class Value { None, Stored, Inline, Number, Boolean, Error, Text } value = Value::None;
            QString type;
            if (cell.m_hasFormula) {
                // nothing but the formula
            } else if (!cell.m_written) {
                type = cell.m_storedType;
                if (!cell.m_storedInline.isEmpty())
                    value = Value::Inline;
                else if (!cell.m_storedValue.isNull())
                    value = Value::Stored;
            } else {
                switch (cell.m_type) {
                case Cell::Type::Blank: break;
                case Cell::Type::Number: value = Value::Number; break;
                case Cell::Type::Boolean: value = Value::Boolean; type = QStringLiteral("b"); break;
                case Cell::Type::Error: value = Value::Error; type = QStringLiteral("e"); break;
                case Cell::Type::String: value = Value::Text; type = QStringLiteral("inlineStr"); break;
                }
            }
            if (!type.isEmpty())
                appendAttribute(out, QStringLiteral("t"), type);
            for (const auto &a : cell.m_extraAttributes)
                if (!cell.m_hasFormula || a.name != QLatin1String("vm"))   // metadata of the result
                    appendAttribute(out, a.name, a.value);
            if (!cell.m_hasFormula && value == Value::None && cell.m_storedExtra.isEmpty()) {
                out += QLatin1String("/>");
                continue;
            }
            out += QLatin1Char('>');
            if (cell.m_hasFormula) {
                out += QLatin1Char('<');
                out += fName;
                for (const auto &a : cell.m_formulaAttributes)
                    appendAttribute(out, a.name, a.value);
                if (cell.m_formula.isEmpty()) {
                    out += QLatin1String("/>");
                } else {
                    out += QLatin1Char('>');
                    appendEscapedText(out, cell.m_formula);
                    out += QLatin1String("</");
                    out += fName;
                    out += QLatin1Char('>');
                }
            }
            switch (value) {
            case Value::None:
                break;
            case Value::Stored:
                appendElement(out, vName, cell.m_storedValue);
                break;
            case Value::Inline:
                out += cell.m_storedInline;
                break;
            case Value::Number:
                appendElement(out, vName, QString::number(cell.m_value.toDouble(), 'g', QLocale::FloatingPointShortest));
                break;
            case Value::Boolean:
                appendElement(out, vName, cell.m_value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
                break;
            case Value::Error:
                appendElement(out, vName, cell.m_value.toString());
                break;
            case Value::Text: {
                const QString text = Cell::encodeEscapes(cell.m_value.toString());
                out += QLatin1Char('<');
                out += isName;
                out += QLatin1String("><");
                out += tName;
                // Blanks at either end (what trimming would take) or a line break.
                if ((!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
                    || text.contains(QLatin1Char('\n')))
                    out += QLatin1String(" xml:space=\"preserve\"");
                out += QLatin1Char('>');
                appendEscapedText(out, text);
                out += QLatin1String("</");
                out += tName;
                out += QLatin1String("></");
                out += isName;
                out += QLatin1Char('>');
                break;
            }
            }
            out += cell.m_storedExtra;
            out += QLatin1String("</");
            out += cellName;
            out += QLatin1Char('>');
        }
        out += QLatin1String("</");
        out += rowName;
        out += QLatin1Char('>');
    }
}

QByteArray Worksheet::toPart(bool selected)
{
    finishForSave(selected);
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
    out.reserve(1 << 16);
    out += QLatin1Char('<') + m_root.name;
    for (const auto &a : m_root.attributes) {
        out += QLatin1Char(' ') + a.name + QLatin1String("=\"");
        appendEscapedAttribute(out, a.value);
        out += QLatin1Char('"');
    }
    out += QLatin1Char('>');
    const QString dataName = prefixed(QStringLiteral("sheetData"));
    for (const auto &c : m_root.children) {
        if (c.kind == XmlNode::Element && c.name == dataName) {
            out += QLatin1Char('<') + c.name;
            for (const auto &a : c.attributes) {
                out += QLatin1Char(' ') + a.name + QLatin1String("=\"");
                appendEscapedAttribute(out, a.value);
                out += QLatin1Char('"');
            }
            out += QLatin1Char('>');
            writeSheetData(out);
            out += QLatin1String("</") + c.name + QLatin1Char('>');
        } else {
            c.write(out);
        }
    }
    out += QLatin1String("</") + m_root.name + QLatin1Char('>');
    return out.toUtf8();
}

}
