#include "Xlsx/Document.h"

#include "Xlsx/ReferenceText.h"
#include "Xlsx/WrappedText.h"
#include "Xlsx/XlsxGlobal.h"

#include <QFileInfo>
#include <QSaveFile>

namespace Xlsx {

namespace {

const QString RelNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString MainNs = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString WorksheetType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");

bool typeIs(const XmlNode &rel, const char *suffix)
{
    return rel.attribute(QStringLiteral("Type")).endsWith(QLatin1Char('/') + QLatin1String(suffix));
}

bool external(const XmlNode &rel)
{
    return rel.attribute(QStringLiteral("TargetMode")).compare(QLatin1String("External"), Qt::CaseInsensitive) == 0;
}

const QStringList &workbookOrder()
{
    static const QStringList order = {"fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews",
                                      "sheets", "functionGroups", "externalReferences", "definedNames", "calcPr",
                                      "oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr", "smartTagTypes",
                                      "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"};
    return order;
}

// Drawing anchors move with their rows unless anchored absolutely; each end
// on its own, so that a picture spanning the inserted rows grows.
bool shiftAnchors(XmlNode &node, int row, int count)
{
    bool changed = false;
    for (auto &c : node.children) {
        if (c.kind != XmlNode::Element)
            continue;
        const QString n = localName(c.name);
        if ((n == QLatin1String("twoCellAnchor") || n == QLatin1String("oneCellAnchor"))
            && c.attribute(QStringLiteral("editAs")) != QLatin1String("absolute")) {
            for (auto &end : c.children) {
                const QString e = localName(end.name);
                if (end.kind != XmlNode::Element || (e != QLatin1String("from") && e != QLatin1String("to")))
                    continue;
                for (auto &r : end.children) {
                    if (r.kind != XmlNode::Element || localName(r.name) != QLatin1String("row"))
                        continue;
                    bool ok = false;
                    const qint64 zeroBased = r.innerText().trimmed().toLongLong(&ok);
                    if (ok && zeroBased + 1 > row) {
                        r.setInnerText(QString::number(qMin<qint64>(zeroBased + count, MaxRows - 1)));
                        changed = true;
                    }
                }
            }
        } else {
            changed = shiftAnchors(c, row, count) || changed;   // anchors wrapped in mc:AlternateContent
        }
    }
    return changed;
}

QString shiftedRef(const QString &ref, int row, int count)
{
    CellRange r(ref);
    if (!r.isValid())
        return ref;
    auto shift = [&](int v) { return v > row ? int(qMin<qint64>(qint64(v) + count, MaxRows)) : v; };
    r.setFirstRow(shift(r.firstRow()));
    r.setLastRow(shift(r.lastRow()));
    return r.toString();
}

// The "ref" of every element named item (a table, a comment) below node.
bool shiftRefs(XmlNode &node, const QStringList &items, int row, int count)
{
    bool changed = false;
    if (items.contains(localName(node.name)) && node.hasAttribute(QStringLiteral("ref"))) {
        const QString ref = node.attribute(QStringLiteral("ref"));
        const QString shifted = shiftedRef(ref, row, count);
        if (shifted != ref) {
            node.setAttribute(QStringLiteral("ref"), shifted);
            changed = true;
        }
    }
    for (auto &c : node.children)
        if (c.kind == XmlNode::Element)
            changed = shiftRefs(c, items, row, count) || changed;
    return changed;
}

// The drawn shapes of notes and form controls in a VML part. A note's box
// moves with its cell (x:Row, 0-based), whole, so that it keeps its size; a
// control's anchor ends move as a drawing's do. The anchor lists column,
// offset, row, offset of the top left, then of the bottom right corner.
bool shiftVmlShapes(XmlNode &node, int row, int count)
{
    bool changed = false;
    for (auto &c : node.children) {
        if (c.kind != XmlNode::Element)
            continue;
        if (localName(c.name) != QLatin1String("ClientData")) {
            changed = shiftVmlShapes(c, row, count) || changed;
            continue;
        }
        XmlNode *cellRow = nullptr;
        XmlNode *anchor = nullptr;
        for (auto &d : c.children) {
            if (d.kind != XmlNode::Element)
                continue;
            if (localName(d.name) == QLatin1String("Row"))
                cellRow = &d;
            else if (localName(d.name) == QLatin1String("Anchor"))
                anchor = &d;
        }
        auto moved = [&](qint64 zeroBased) { return qMin<qint64>(zeroBased + count, MaxRows - 1); };
        bool noteMoves = false;
        if (cellRow) {
            bool ok = false;
            const qint64 r = cellRow->innerText().trimmed().toLongLong(&ok);
            noteMoves = ok && r + 1 > row;
            if (noteMoves) {
                cellRow->setInnerText(QString::number(moved(r)));
                changed = true;
            }
        }
        if (!anchor)
            continue;
        QStringList parts = anchor->innerText().split(QLatin1Char(','));
        if (parts.size() != 8)
            continue;
        bool anchorChanged = false;
        for (int k : {2, 6}) {
            bool ok = false;
            const qint64 r = parts.at(k).trimmed().toLongLong(&ok);
            if (ok && (cellRow ? noteMoves : r + 1 > row)) {
                parts[k] = QString::number(moved(r));
                anchorChanged = true;
            }
        }
        if (anchorChanged) {
            for (auto &p : parts)
                p = p.trimmed();
            anchor->setInnerText(parts.join(QLatin1String(", ")));
            changed = true;
        }
    }
    return changed;
}

// The series and category references of a chart (c:f, and cx:f of the newer
// charts). A reference that changes drops the values cached beside it, which
// belong to the old cells.
bool rewriteChartReferences(XmlNode &node, const std::function<QString(const QString &)> &rewrite)
{
    bool changed = false;
    bool dropCaches = false;
    for (auto &c : node.children) {
        if (c.kind != XmlNode::Element)
            continue;
        if (localName(c.name) == QLatin1String("f")) {
            const QString text = c.innerText();
            const QString rewritten = rewrite(text);
            if (rewritten != text) {
                c.setInnerText(rewritten);
                changed = dropCaches = true;
            }
        } else {
            changed = rewriteChartReferences(c, rewrite) || changed;
        }
    }
    if (dropCaches)
        node.removeChildren([](const XmlNode &n) {
            const QString l = localName(n.name);
            return l == QLatin1String("numCache") || l == QLatin1String("strCache") || l == QLatin1String("multiLvlStrCache");
        });
    return changed;
}

}

Document::Document()
{
    startEmpty();
}

Document::Document(const QString &fileName)
{
    open(fileName);
}

void Document::reset()
{
    m_package = Package();
    m_loaded = false;
    m_workbookPart.clear();
    m_prefix.clear();
    m_workbook = m_workbookRels = m_contentTypes = XmlNode();
    m_sheets.clear();
    m_current = m_active = -1;
    m_stylesPart.clear();
    m_styles = Styles();
    m_touched.clear();
    m_reachableAtLoad.clear();
    m_error.clear();
}

bool Document::open(const QString &fileName)
{
    reset();
    m_loaded = m_package.read(fileName, &m_error) && load();
    if (!m_loaded) {
        const QString error = m_error;
        reset();
        m_error = error;
    }
    return m_loaded;
}

bool Document::openData(const QByteArray &zipData)
{
    reset();
    m_loaded = m_package.readData(zipData, &m_error) && load();
    if (!m_loaded) {
        const QString error = m_error;
        reset();
        m_error = error;
    }
    return m_loaded;
}

Document::~Document() = default;

bool Document::fail(const QString &message)
{
    m_error = message;
    return false;
}

void Document::startEmpty()
{
    m_package.setPart(QStringLiteral("[Content_Types].xml"), QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "</Types>"));
    m_package.setPart(QStringLiteral("_rels/.rels"), QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
        "</Relationships>"));
    m_package.setPart(QStringLiteral("xl/workbook.xml"), QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<bookViews><workbookView/></bookViews><sheets/></workbook>"));
    m_package.setPart(QStringLiteral("xl/_rels/workbook.xml.rels"), QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
        "</Relationships>"));
    m_package.setPart(QStringLiteral("xl/styles.xml"), Styles::emptyPart());
    QString error;
    XmlNode::parse(m_package.part(QStringLiteral("[Content_Types].xml")), m_contentTypes, &error);
    XmlNode::parse(m_package.part(QStringLiteral("xl/workbook.xml")), m_workbook, &error);
    XmlNode::parse(m_package.part(QStringLiteral("xl/_rels/workbook.xml.rels")), m_workbookRels, &error);
    m_workbookPart = QStringLiteral("xl/workbook.xml");
    m_stylesPart = QStringLiteral("xl/styles.xml");
    m_reachableAtLoad = reachableParts();
    m_loaded = true;
}

bool Document::parsePart(const QString &name, XmlNode &root)
{
    QString error;
    if (!XmlNode::parse(m_package.part(name), root, &error))
        return fail(QStringLiteral("%1 is malformed: %2").arg(name, error));
    return true;
}

QString Document::relationshipIdAttribute(const XmlNode &node) const
{
    for (const auto &a : node.attributes)
        if (a.name.endsWith(QLatin1String(":id")))
            return a.name;
    return QString();
}

bool Document::load()
{
    const QString typesName = m_package.actualName(QStringLiteral("[Content_Types].xml"));
    if (typesName.isEmpty())
        return fail(QStringLiteral("the package has no content types: not an .xlsx file"));
    if (!parsePart(typesName, m_contentTypes))
        return false;

    XmlNode rootRels;
    if (!m_package.contains(QStringLiteral("_rels/.rels")))
        return fail(QStringLiteral("the package has no relationships: not an .xlsx file"));
    if (!parsePart(QStringLiteral("_rels/.rels"), rootRels))
        return false;
    for (const auto &rel : rootRels.children)
        if (rel.kind == XmlNode::Element && typeIs(rel, "officeDocument") && !external(rel))
            m_workbookPart = Package::resolveTarget(QString(), rel.attribute(QStringLiteral("Target")));
    if (m_workbookPart.isEmpty() || !m_package.contains(m_workbookPart))
        return fail(QStringLiteral("the package holds no workbook"));
    m_workbookPart = m_package.actualName(m_workbookPart);
    if (!parsePart(m_workbookPart, m_workbook))
        return false;
    if (localName(m_workbook.name) != QLatin1String("workbook"))
        return fail(QStringLiteral("the main part is no workbook"));
    m_prefix = prefixOf(m_workbook.name);

    const QString relsName = Package::relationshipsName(m_workbookPart);
    if (m_package.contains(relsName)) {
        if (!parsePart(relsName, m_workbookRels))
            return false;
    } else {
        m_workbookRels = XmlNode(QStringLiteral("Relationships"));
        m_workbookRels.setAttribute(QStringLiteral("xmlns"),
                                    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships"));
    }
    QHash<QString, const XmlNode *> relById;
    QString sharedStringsPart;
    for (const auto &rel : m_workbookRels.children) {
        if (rel.kind != XmlNode::Element)
            continue;
        relById.insert(rel.attribute(QStringLiteral("Id")), &rel);
        if (external(rel))
            continue;
        const QString target = Package::resolveTarget(m_workbookPart, rel.attribute(QStringLiteral("Target")));
        if (typeIs(rel, "sharedStrings"))
            sharedStringsPart = target;
        else if (typeIs(rel, "styles"))
            m_stylesPart = m_package.actualName(target);
    }

    QStringList sharedStrings;
    if (!sharedStringsPart.isEmpty() && m_package.contains(sharedStringsPart)) {
        XmlNode sst;
        if (!parsePart(m_package.actualName(sharedStringsPart), sst))
            return false;
        sharedStrings.reserve(int(sst.children.size()));
        for (const auto &si : sst.children)
            if (si.kind == XmlNode::Element && localName(si.name) == QLatin1String("si"))
                sharedStrings.append(Cell::textOfStringItem(si));
    }

    XmlNode *sheets = workbookChild(QStringLiteral("sheets"));
    if (!sheets)
        return fail(QStringLiteral("the workbook lists no sheets"));
    QSet<QString> names;
    for (const auto &node : sheets->children) {
        if (node.kind != XmlNode::Element || localName(node.name) != QLatin1String("sheet"))
            continue;
        Sheet sheet;
        sheet.node = node;
        const QString name = sheet.name();
        if (name.isEmpty() || names.contains(name.toLower()))
            return fail(QStringLiteral("the workbook has a sheet without a name, or two of one name"));
        names.insert(name.toLower());
        const XmlNode *rel = relById.value(node.attribute(relationshipIdAttribute(node)));
        if (!rel || external(*rel))
            return fail(QStringLiteral("the sheet \"%1\" has no part").arg(name));
        sheet.partName = m_package.actualName(Package::resolveTarget(m_workbookPart, rel->attribute(QStringLiteral("Target"))));
        if (sheet.partName.isEmpty())
            return fail(QStringLiteral("the part of the sheet \"%1\" is missing").arg(name));
        if (typeIs(*rel, "worksheet")) {
            sheet.isWorksheet = true;
            sheet.worksheet.reset(new Worksheet);
            sheet.worksheet->m_name = name;
            sheet.worksheet->m_partName = sheet.partName;
            QString error;
            if (!sheet.worksheet->load(m_package.part(sheet.partName), sharedStrings, &error))
                return fail(QStringLiteral("the sheet \"%1\" is malformed: %2").arg(name, error));
            connectWorksheet(sheet.worksheet.get());
        }
        m_sheets.push_back(std::move(sheet));
    }

    m_active = 0;
    if (XmlNode *views = workbookChild(QStringLiteral("bookViews")))
        for (const auto &v : views->children)
            if (v.kind == XmlNode::Element) {
                m_active = v.attribute(QStringLiteral("activeTab"), QStringLiteral("0")).toInt();
                break;
            }
    if (m_active < 0 || m_active >= sheetCount())
        m_active = 0;
    if (m_sheets.empty())
        m_active = -1;
    m_current = m_active;
    m_reachableAtLoad = reachableParts();
    return true;
}

XmlNode *Document::workbookChild(const QString &name)
{
    return m_workbook.child(m_prefix + name);
}

XmlNode *Document::insertWorkbookChild(const QString &name)
{
    if (XmlNode *existing = workbookChild(name))
        return existing;
    const int order = workbookOrder().indexOf(name);
    auto pos = m_workbook.children.end();
    for (auto it = m_workbook.children.begin(); it != m_workbook.children.end(); ++it) {
        if (it->kind != XmlNode::Element || !it->name.startsWith(m_prefix))
            continue;
        if (workbookOrder().indexOf(it->name.mid(m_prefix.size())) > order) {
            pos = it;
            break;
        }
    }
    return &*m_workbook.children.insert(pos, XmlNode(m_prefix + name));
}

void Document::connectWorksheet(Worksheet *worksheet)
{
    worksheet->m_rowsShifted = [this, worksheet](int row, int count) { onRowsShifted(worksheet, row, count); };
}

QStringList Document::sheetNames() const
{
    QStringList names;
    for (const auto &s : m_sheets)
        names.append(s.name());
    return names;
}

int Document::sheetIndex(const QString &name) const
{
    for (int i = 0; i < sheetCount(); ++i)
        if (m_sheets[size_t(i)].name() == name)
            return i;
    return -1;
}

bool Document::validSheetName(const QString &name, int except)
{
    if (name.isEmpty() || name.size() > 31)
        return fail(QStringLiteral("a sheet name has 1 to 31 characters"));
    for (QChar c : name)
        if (QStringLiteral(":\\/?*[]").contains(c) || c.unicode() < 0x20)
            return fail(QStringLiteral("the sheet name \"%1\" holds a character sheet names cannot have").arg(name));
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return fail(QStringLiteral("a sheet name cannot begin or end with an apostrophe"));
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        return fail(QStringLiteral("\"History\" is reserved for a sheet name"));
    for (int i = 0; i < sheetCount(); ++i)
        if (i != except && m_sheets[size_t(i)].name().compare(name, Qt::CaseInsensitive) == 0)
            return fail(QStringLiteral("the workbook already has a sheet named \"%1\"").arg(name));
    return true;
}

bool Document::renameSheet(const QString &oldName, const QString &newName)
{
    const int index = sheetIndex(oldName);
    if (index < 0)
        return fail(QStringLiteral("no sheet named \"%1\"").arg(oldName));
    if (oldName == newName)
        return true;
    if (!validSheetName(newName, index))
        return false;
    Sheet &sheet = m_sheets[size_t(index)];
    sheet.node.setAttribute(QStringLiteral("name"), newName);
    if (sheet.worksheet)
        sheet.worksheet->m_name = newName;
    // References by name follow the sheet, as in a spreadsheet program.
    rewriteReferences([&](const QString &text, const QString &) { return ReferenceText::renamed(text, oldName, newName); },
                      true);
    return true;
}

bool Document::deleteSheet(const QString &name)
{
    const int index = sheetIndex(name);
    if (index < 0)
        return fail(QStringLiteral("no sheet named \"%1\"").arg(name));
    if (sheetCount() == 1)
        return fail(QStringLiteral("the last sheet of a workbook cannot be deleted"));
    int visible = 0;
    for (int i = 0; i < sheetCount(); ++i)
        if (i != index && !m_sheets[size_t(i)].hidden())
            ++visible;
    if (visible == 0)
        return fail(QStringLiteral("the last visible sheet of a workbook cannot be deleted"));

    const QString relId = m_sheets[size_t(index)].node.attribute(relationshipIdAttribute(m_sheets[size_t(index)].node));
    m_workbookRels.removeChildren([&](const XmlNode &r) { return r.attribute(QStringLiteral("Id")) == relId; });
    m_package.removePart(m_sheets[size_t(index)].partName);
    m_sheets.erase(m_sheets.begin() + index);

    if (XmlNode *names = workbookChild(QStringLiteral("definedNames"))) {
        names->removeChildren([&](const XmlNode &dn) {
            return dn.hasAttribute(QStringLiteral("localSheetId"))
                   && dn.attribute(QStringLiteral("localSheetId")).toInt() == index;
        });
        for (auto &dn : names->children) {
            if (dn.kind != XmlNode::Element)
                continue;
            if (dn.hasAttribute(QStringLiteral("localSheetId"))) {
                const int local = dn.attribute(QStringLiteral("localSheetId")).toInt();
                if (local > index)
                    dn.setAttribute(QStringLiteral("localSheetId"), QString::number(local - 1));
            }
        }
    }
    // What referred to the sheet refers to nothing, as in a spreadsheet
    // program; a hyperlink keeps its text, as a link does there.
    rewriteReferences([&](const QString &text, const QString &) { return ReferenceText::sheetDeleted(text, name); },
                      false);
    auto adjust = [&](int &i) {
        if (i > index || i >= sheetCount())
            --i;
    };
    adjust(m_active);
    adjust(m_current);
    return true;
}

bool Document::insertSheet(int index, const QString &name)
{
    if (index < 0 || index > sheetCount())
        return fail(QStringLiteral("no sheet position %1").arg(index));
    if (!validSheetName(name, -1))
        return false;
    const int slash = m_workbookPart.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : m_workbookPart.left(slash + 1);
    int n = 1;
    while (m_package.contains(folder + QStringLiteral("worksheets/sheet%1.xml").arg(n)))
        ++n;
    const QString target = QStringLiteral("worksheets/sheet%1.xml").arg(n);

    Sheet sheet;
    sheet.partName = folder + target;
    sheet.isWorksheet = true;
    sheet.worksheet.reset(new Worksheet);
    QString error;
    sheet.worksheet->load(Worksheet::emptyPart(), QStringList(), &error);
    sheet.worksheet->m_name = name;
    sheet.worksheet->m_partName = sheet.partName;
    connectWorksheet(sheet.worksheet.get());
    m_package.setPart(sheet.partName, Worksheet::emptyPart());
    addOverride(sheet.partName, WorksheetType);

    const QString relId = addRelationship(m_workbookRels, RelNs + QStringLiteral("/worksheet"), target);
    int sheetId = 0;
    for (const auto &s : m_sheets)
        sheetId = qMax(sheetId, s.node.attribute(QStringLiteral("sheetId")).toInt());
    QString idAttribute = QStringLiteral("r:id");
    if (!m_sheets.empty() && !relationshipIdAttribute(m_sheets.front().node).isEmpty())
        idAttribute = relationshipIdAttribute(m_sheets.front().node);
    else if (!m_workbook.hasAttribute(QStringLiteral("xmlns:r")))
        m_workbook.setAttribute(QStringLiteral("xmlns:r"), RelNs);
    sheet.node = XmlNode(m_prefix + QStringLiteral("sheet"));
    sheet.node.setAttribute(QStringLiteral("name"), name);
    sheet.node.setAttribute(QStringLiteral("sheetId"), QString::number(sheetId + 1));
    sheet.node.setAttribute(idAttribute, relId);
    m_sheets.insert(m_sheets.begin() + index, std::move(sheet));

    if (XmlNode *names = workbookChild(QStringLiteral("definedNames")))
        for (auto &dn : names->children)
            if (dn.kind == XmlNode::Element && dn.hasAttribute(QStringLiteral("localSheetId"))) {
                const int local = dn.attribute(QStringLiteral("localSheetId")).toInt();
                if (local >= index)
                    dn.setAttribute(QStringLiteral("localSheetId"), QString::number(local + 1));
            }
    if (m_active < 0)
        m_active = index;
    else if (m_active >= index)
        ++m_active;
    m_current = index;
    return true;
}

bool Document::setCurrentSheet(int index)
{
    if (index < 0 || index >= sheetCount())
        return fail(QStringLiteral("no sheet at index %1").arg(index));
    m_current = index;
    return true;
}

bool Document::setActiveSheet(int index)
{
    if (!setCurrentSheet(index))
        return false;
    m_active = index;
    return true;
}

Worksheet *Document::worksheet(int index) const
{
    if (index < 0 || index >= sheetCount())
        return nullptr;
    return m_sheets[size_t(index)].worksheet.get();
}

Worksheet *Document::currentWorksheet() const
{
    return worksheet(m_current);
}

QVariant Document::read(const QString &reference) const
{
    const CellReference ref(reference);
    return ref.isValid() ? read(ref.row(), ref.column()) : QVariant();
}

QVariant Document::read(int row, int column) const
{
    const Worksheet *ws = currentWorksheet();
    return ws ? ws->read(row, column) : QVariant();
}

std::shared_ptr<const Cell> Document::cellAt(int row, int column) const
{
    const Worksheet *ws = currentWorksheet();
    return ws ? ws->cellAt(row, column) : nullptr;
}

bool Document::write(const QString &reference, const QVariant &value, const Format &format)
{
    const CellReference ref(reference);
    if (!ref.isValid())
        return fail(QStringLiteral("\"%1\" is no cell reference within the sheet limits").arg(reference));
    return write(ref.row(), ref.column(), value, format);
}

bool Document::write(int row, int column, const QVariant &value, const Format &format)
{
    Worksheet *ws = currentWorksheet();
    if (!ws)
        return fail(QStringLiteral("there is no worksheet to write to"));
    int style = -1;
    if (!format.isEmpty()) {
        if (!m_styles.isLoaded()) {
            if (m_stylesPart.isEmpty()) {
                const int slash = m_workbookPart.lastIndexOf(QLatin1Char('/'));
                m_stylesPart = (slash < 0 ? QString() : m_workbookPart.left(slash + 1)) + QStringLiteral("styles.xml");
                m_package.setPart(m_stylesPart, Styles::emptyPart());
                addRelationship(m_workbookRels, RelNs + QStringLiteral("/styles"), QStringLiteral("styles.xml"));
                addOverride(m_stylesPart, QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"));
            }
            QString error;
            if (!m_styles.load(m_package.part(m_stylesPart), &error))
                return fail(QStringLiteral("the styles are malformed: %1").arg(error));
        }
        style = m_styles.styleIndex(format);
        if (style < 0)
            return fail(QStringLiteral("the styles cannot take a new format"));
    }
    if (!ws->write(row, column, value, style))
        return fail(QStringLiteral("cannot write %1 to %2").arg(value.toString().left(40),
                                                                CellReference(row, column).toString()));
    return true;
}

bool Document::setColumnWidth(int column, double width)
{
    return setColumnWidth(column, column, width);
}

bool Document::setColumnWidth(int firstColumn, int lastColumn, double width)
{
    Worksheet *ws = currentWorksheet();
    if (!ws || !ws->setColumnWidth(firstColumn, lastColumn, width))
        return fail(QStringLiteral("cannot set the width of columns %1 to %2").arg(firstColumn).arg(lastColumn));
    return true;
}

bool Document::readStyles()
{
    if (m_styles.isLoaded())
        return true;
    QString error;
    return !m_stylesPart.isEmpty() && m_styles.load(m_package.part(m_stylesPart), &error);
}

bool Document::replaceNumberFormat(const QString &code, const QString &replacement)
{
    // A workbook without a style sheet has no number format to change.
    if (m_stylesPart.isEmpty())
        return true;
    if (!readStyles())
        return fail(QStringLiteral("the styles are malformed"));
    m_styles.replaceNumberFormat(code, replacement);
    return true;
}

void Document::fitRowToCell(int row, int column)
{
    Worksheet *ws = currentWorksheet();
    const auto cell = ws ? ws->cellAt(row, column) : nullptr;
    if (!cell || cell->type() != Cell::Type::String || ws->rowHeightIsFixed(row))
        return;
    // Read only: a style sheet that is not written to is saved as it came.
    if (!readStyles())
        return;
    const Styles::TextLook look = m_styles.textLook(cell->styleIndex());
    if (!look.wraps)
        return;
    int last = column;
    const CellRange merged = ws->mergedRangeAt(row, column);
    if (merged.isValid()) {
        if (merged.firstRow() != merged.lastRow() || merged.firstColumn() != column)
            return;
        last = merged.lastColumn();
    }
    double width = -WrappedText::CellMargins;
    for (int c = column; c <= last; ++c)
        width += WrappedText::columnWidth(ws->columnWidth(c));
    const int lines = WrappedText::lineCount(cell->value().toString(), width, look.fontPoints, look.bold);
    // One line fits the row a font gives; only more lines need more.
    if (lines < 2)
        return;
    const double needed = WrappedText::rowHeight(lines, look.fontPoints);
    if (needed > ws->rowHeight(row))
        ws->setRowHeight(row, needed);
}

bool Document::editPart(const QString &partName, const std::function<bool(XmlNode &)> &edit)
{
    auto it = m_touched.find(partName);
    if (it != m_touched.end())
        return edit(it.value());
    XmlNode root;
    QString error;
    if (!XmlNode::parse(m_package.part(partName), root, &error))
        return false;   // left as it is
    if (!edit(root))
        return false;
    m_touched.insert(partName, std::move(root));
    return true;
}

QStringList Document::chartParts() const
{
    QStringList parts;
    for (const auto &o : m_contentTypes.children) {
        if (o.kind != XmlNode::Element || localName(o.name) != QLatin1String("Override"))
            continue;
        const QString type = o.attribute(QStringLiteral("ContentType"));
        if (type != QLatin1String("application/vnd.openxmlformats-officedocument.drawingml.chart+xml")
            && type != QLatin1String("application/vnd.ms-office.chartex+xml"))
            continue;
        QString name = o.attribute(QStringLiteral("PartName"));
        while (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        name = m_package.actualName(name);
        if (!name.isEmpty())
            parts << name;
    }
    return parts;
}

void Document::rewriteReferences(const std::function<QString(const QString &, const QString &)> &rewrite, bool links)
{
    for (auto &s : m_sheets) {
        if (!s.worksheet)
            continue;
        const QString own = s.worksheet->name();
        const auto inSheet = [&](const QString &text) { return rewrite(text, own); };
        s.worksheet->rewriteFormulas(inSheet);
        if (links)
            s.worksheet->rewriteHyperlinkLocations(inSheet);
    }
    // Defined names and chart series have no sheet of their own.
    const auto unqualified = [&](const QString &text) { return rewrite(text, QString()); };
    if (XmlNode *names = workbookChild(QStringLiteral("definedNames")))
        for (auto &dn : names->children)
            if (dn.kind == XmlNode::Element) {
                const QString text = dn.innerText();
                const QString rewritten = unqualified(text);
                if (rewritten != text)
                    dn.setInnerText(rewritten);
            }
    for (const QString &part : chartParts())
        editPart(part, [&](XmlNode &root) { return rewriteChartReferences(root, unqualified); });
}

void Document::onRowsShifted(Worksheet *worksheet, int row, int count)
{
    const QString sheet = worksheet->name();
    // The shifted sheet wrote out its own shared formulas; another sheet's
    // group that refers to it would read moved rows from its first cell.
    for (auto &s : m_sheets)
        if (s.worksheet && s.worksheet.get() != worksheet)
            s.worksheet->unshareFormulas([&](const QString &f) { return ReferenceText::refersTo(f, sheet); });
    rewriteReferences(
        [&](const QString &text, const QString &own) { return ReferenceText::rowsShifted(text, sheet, row, count, own); },
        true);

    const QString relsName = Package::relationshipsName(worksheet->m_partName);
    if (!m_package.contains(relsName))
        return;
    XmlNode rels;
    QString error;
    if (!XmlNode::parse(m_package.part(relsName), rels, &error))
        return;
    static const QStringList tableItems = {QStringLiteral("table"), QStringLiteral("autoFilter"), QStringLiteral("sortState"),
                                           QStringLiteral("sortCondition")};
    static const QStringList commentItems = {QStringLiteral("comment"), QStringLiteral("threadedComment")};
    for (const auto &rel : rels.children) {
        if (rel.kind != XmlNode::Element || external(rel))
            continue;
        const QString part = m_package.actualName(
            Package::resolveTarget(worksheet->m_partName, rel.attribute(QStringLiteral("Target"))));
        if (part.isEmpty())
            continue;
        if (typeIs(rel, "drawing"))
            editPart(part, [&](XmlNode &root) { return shiftAnchors(root, row, count); });
        else if (typeIs(rel, "table"))
            editPart(part, [&](XmlNode &root) { return shiftRefs(root, tableItems, row, count); });
        else if (typeIs(rel, "comments") || typeIs(rel, "threadedComment"))
            editPart(part, [&](XmlNode &root) { return shiftRefs(root, commentItems, row, count); });
        else if (typeIs(rel, "vmlDrawing"))
            editPart(part, [&](XmlNode &root) { return shiftVmlShapes(root, row, count); });
    }
}

QString Document::addRelationship(XmlNode &rels, const QString &type, const QString &target)
{
    QSet<QString> ids;
    for (const auto &r : rels.children)
        if (r.kind == XmlNode::Element)
            ids.insert(r.attribute(QStringLiteral("Id")));
    int n = 1;
    while (ids.contains(QStringLiteral("rId%1").arg(n)))
        ++n;
    const QString id = QStringLiteral("rId%1").arg(n);
    XmlNode rel(QStringLiteral("Relationship"));
    // Relationship parts are never prefixed in practice, but follow the part.
    rel.name = prefixOf(rels.name) + rel.name;
    rel.setAttribute(QStringLiteral("Id"), id);
    rel.setAttribute(QStringLiteral("Type"), type);
    rel.setAttribute(QStringLiteral("Target"), target);
    rels.children.push_back(rel);
    return id;
}

void Document::addOverride(const QString &partName, const QString &contentType)
{
    const QString name = QLatin1Char('/') + partName;
    for (auto &o : m_contentTypes.children)
        if (o.kind == XmlNode::Element && localName(o.name) == QLatin1String("Override")
            && o.attribute(QStringLiteral("PartName")).compare(name, Qt::CaseInsensitive) == 0) {
            o.setAttribute(QStringLiteral("ContentType"), contentType);
            return;
        }
    XmlNode o(prefixOf(m_contentTypes.name) + QStringLiteral("Override"));
    o.setAttribute(QStringLiteral("PartName"), name);
    o.setAttribute(QStringLiteral("ContentType"), contentType);
    m_contentTypes.children.push_back(o);
}

QSet<QString> Document::reachableParts() const
{
    QSet<QString> seen;
    QStringList queue = {QString()};   // the package root
    while (!queue.isEmpty()) {
        const QString source = queue.takeFirst();
        const QString relsName = source.isEmpty() ? QStringLiteral("_rels/.rels") : Package::relationshipsName(source);
        const QString actual = m_package.actualName(relsName);
        if (actual.isEmpty())
            continue;
        seen.insert(actual);
        XmlNode rels;
        QString error;
        if (!XmlNode::parse(m_package.part(actual), rels, &error))
            continue;
        for (const auto &rel : rels.children) {
            if (rel.kind != XmlNode::Element || external(rel))
                continue;
            const QString target =
                m_package.actualName(Package::resolveTarget(source, rel.attribute(QStringLiteral("Target"))));
            if (target.isEmpty() || seen.contains(target))
                continue;
            seen.insert(target);
            queue.append(target);
        }
    }
    return seen;
}

bool Document::prepareSave()
{
    if (m_sheets.empty())
        return fail(QStringLiteral("a workbook needs at least one sheet"));
    if (m_active < 0 || m_active >= sheetCount())
        m_active = 0;
    if (m_sheets[size_t(m_active)].hidden()) {
        // A spreadsheet program cannot open on a hidden sheet.
        for (int i = 0; i < sheetCount(); ++i)
            if (!m_sheets[size_t(i)].hidden()) {
                m_active = i;
                break;
            }
        if (m_sheets[size_t(m_active)].hidden())
            return fail(QStringLiteral("a workbook needs a visible sheet"));
    }

    XmlNode *sheets = insertWorkbookChild(QStringLiteral("sheets"));
    sheets->children.clear();
    for (const auto &s : m_sheets)
        sheets->children.push_back(s.node);

    XmlNode *views = insertWorkbookChild(QStringLiteral("bookViews"));
    XmlNode *view = nullptr;
    for (auto &v : views->children)
        if (v.kind == XmlNode::Element) {
            view = &v;
            break;
        }
    if (!view) {
        views->children.push_back(XmlNode(m_prefix + QStringLiteral("workbookView")));
        view = &views->children.back();
    }
    view->setAttribute(QStringLiteral("activeTab"), QString::number(m_active));
    if (view->hasAttribute(QStringLiteral("firstSheet"))) {
        const int first = view->attribute(QStringLiteral("firstSheet")).toInt();
        if (first > m_active || first < 0)
            view->setAttribute(QStringLiteral("firstSheet"), QString::number(m_active));
    }

    if (XmlNode *names = workbookChild(QStringLiteral("definedNames")))
        if (names->elementCount() == 0)
            m_workbook.removeChildren([&](const XmlNode &n) { return n.name == names->name; });

    bool formulas = false;
    for (const auto &s : m_sheets)
        if (s.worksheet && s.worksheet->hasFormulas())
            formulas = true;
    if (formulas)
        insertWorkbookChild(QStringLiteral("calcPr"))->setAttribute(QStringLiteral("fullCalcOnLoad"), QStringLiteral("1"));

    // The calculation chain is only a cache; a stale one makes spreadsheet
    // programs repair the file.
    for (const auto &rel : m_workbookRels.children)
        if (rel.kind == XmlNode::Element && typeIs(rel, "calcChain") && !external(rel))
            m_package.removePart(Package::resolveTarget(m_workbookPart, rel.attribute(QStringLiteral("Target"))));
    m_workbookRels.removeChildren([](const XmlNode &r) { return typeIs(r, "calcChain"); });

    for (int i = 0; i < sheetCount(); ++i) {
        Sheet &s = m_sheets[size_t(i)];
        if (s.worksheet) {
            m_package.setPart(s.partName, s.worksheet->toPart(i == m_active));
            continue;
        }
        // Chart sheets keep their part; only the selected tab follows the active one.
        XmlNode chart;
        QString error;
        if (!XmlNode::parse(m_package.part(s.partName), chart, &error))
            continue;
        bool changed = false;
        for (auto &c : chart.children)
            if (c.kind == XmlNode::Element && localName(c.name) == QLatin1String("sheetViews"))
                for (auto &v : c.children)
                    if (v.kind == XmlNode::Element) {
                        const bool selected = v.attribute(QStringLiteral("tabSelected")) == QLatin1String("1");
                        if (selected != (i == m_active)) {
                            changed = true;
                            if (i == m_active)
                                v.setAttribute(QStringLiteral("tabSelected"), QStringLiteral("1"));
                            else
                                v.removeAttribute(QStringLiteral("tabSelected"));
                        }
                    }
        if (changed)
            m_package.setPart(s.partName, chart.toDocument());
    }
    if (m_styles.isModified())
        m_package.setPart(m_stylesPart, m_styles.toPart());
    for (auto it = m_touched.constBegin(); it != m_touched.constEnd(); ++it)
        if (m_package.contains(it.key()))
            m_package.setPart(it.key(), it.value().toDocument());

    m_package.setPart(m_workbookPart, m_workbook.toDocument());
    m_package.setPart(Package::relationshipsName(m_workbookPart), m_workbookRels.toDocument());

    // Parts only the deleted sheets used go with them (their drawings,
    // tables, comments, printer settings), and so do their content types.
    const QSet<QString> reachable = reachableParts();
    for (const QString &name : qAsConst(m_reachableAtLoad))
        if (!reachable.contains(name))
            m_package.removePart(name);
    m_contentTypes.removeChildren([&](const XmlNode &o) {
        if (localName(o.name) != QLatin1String("Override"))
            return false;
        QString part = o.attribute(QStringLiteral("PartName"));
        while (part.startsWith(QLatin1Char('/')))
            part.remove(0, 1);
        return !m_package.contains(part);
    });
    m_package.setPart(m_package.actualName(QStringLiteral("[Content_Types].xml")).isEmpty()
                          ? QStringLiteral("[Content_Types].xml")
                          : m_package.actualName(QStringLiteral("[Content_Types].xml")),
                      m_contentTypes.toDocument());
    m_reachableAtLoad = reachable;
    return true;
}

bool Document::saveToData(QByteArray &data)
{
    if (!m_loaded)
        return fail(QStringLiteral("the workbook was not opened"));
    if (!prepareSave())
        return false;
    data.clear();
    return m_package.write(data, &m_error);
}

bool Document::saveAs(const QString &fileName)
{
    QByteArray data;
    if (!saveToData(data))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    if (file.write(data) != data.size())
        return fail(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString()));
    return true;
}

}
