#include "Xlsx/Styles.h"

namespace Xlsx {

QByteArray Styles::emptyPart()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
        "</styleSheet>");
}

bool Styles::load(const QByteArray &part, QString *error)
{
    if (!XmlNode::parse(part, m_root, error))
        return false;
    if (localName(m_root.name) != QLatin1String("styleSheet")) {
        if (error)
            *error = QStringLiteral("the style part holds no style sheet");
        return false;
    }
    m_loaded = true;
    return true;
}

namespace {

XmlNode *childOrInsert(XmlNode &root, const QString &name, const QStringList &before)
{
    if (XmlNode *c = root.child(name))
        return c;
    // Insert in schema order: before the first of the elements that follow it.
    auto pos = root.children.end();
    for (auto it = root.children.begin(); it != root.children.end(); ++it)
        if (it->kind == XmlNode::Element && before.contains(it->name)) {
            pos = it;
            break;
        }
    auto inserted = root.children.insert(pos, XmlNode(name));
    return &*inserted;
}

int appendCounted(XmlNode &list, XmlNode item)
{
    const int index = list.elementCount();
    list.children.push_back(std::move(item));
    list.setAttribute(QStringLiteral("count"), QString::number(index + 1));
    return index;
}

}

namespace {

const XmlNode *childNamed(const XmlNode &parent, const char *wanted)
{
    for (const auto &c : parent.children)
        if (c.kind == XmlNode::Element && localName(c.name) == QLatin1String(wanted))
            return &c;
    return nullptr;
}

const XmlNode *elementAt(const XmlNode *list, int index)
{
    if (!list || index < 0)
        return nullptr;
    for (const auto &c : list->children)
        if (c.kind == XmlNode::Element && index-- == 0)
            return &c;
    return nullptr;
}

bool isTrue(const XmlNode *node, const char *attribute, bool absent)
{
    if (!node || !node->hasAttribute(QLatin1String(attribute)))
        return absent;
    const QString v = node->attribute(QLatin1String(attribute));
    return v == QLatin1String("1") || v == QLatin1String("true");
}

}

Styles::TextLook Styles::textLook(int xf) const
{
    TextLook look;
    const XmlNode *style = elementAt(childNamed(m_root, "cellXfs"), xf);
    if (!style)
        return look;
    look.wraps = isTrue(childNamed(*style, "alignment"), "wrapText", false);
    bool ok = false;
    const int fontId = style->attribute(QStringLiteral("fontId")).toInt(&ok);
    const XmlNode *font = ok ? elementAt(childNamed(m_root, "fonts"), fontId) : nullptr;
    if (!font)
        return look;
    if (const XmlNode *size = childNamed(*font, "sz")) {
        const double points = size->attribute(QStringLiteral("val")).toDouble(&ok);
        if (ok && points >= 1 && points <= 409)
            look.fontPoints = points;
    }
    // <b/> is bold, <b val="0"/> is not.
    if (const XmlNode *b = childNamed(*font, "b"))
        look.bold = isTrue(b, "val", true);
    return look;
}

int Styles::replaceNumberFormat(const QString &code, const QString &replacement)
{
    int changed = 0;
    for (auto &list : m_root.children) {
        if (list.kind != XmlNode::Element || localName(list.name) != QLatin1String("numFmts"))
            continue;
        for (auto &numFmt : list.children) {
            if (numFmt.kind == XmlNode::Element && localName(numFmt.name) == QLatin1String("numFmt")
                && numFmt.attribute(QStringLiteral("formatCode")) == code) {
                numFmt.setAttribute(QStringLiteral("formatCode"), replacement);
                ++changed;
            }
        }
    }
    if (changed > 0 && code != replacement)
        m_modified = true;
    return changed;
}

int Styles::styleIndex(const Format &format)
{
    if (!m_loaded || format.isEmpty())
        return -1;
    const QString key = format.key();
    const auto found = m_added.constFind(key);
    if (found != m_added.constEnd())
        return found.value();

    // Style sheets written with a prefix ("x:fonts") keep it on what we add.
    const QString p = prefixOf(m_root.name);
    const QStringList afterFonts = {p + "fills", p + "borders", p + "cellStyleXfs", p + "cellXfs", p + "cellStyles",
                                    p + "dxfs", p + "tableStyles", p + "colors", p + "extLst"};
    int fontId = 0;
    if (format.hasFont()) {
        XmlNode *fonts = childOrInsert(m_root, p + "fonts", afterFonts);
        XmlNode font(p + "font");
        if (format.fontBold())
            font.children.push_back(XmlNode(p + "b"));
        if (format.fontItalic())
            font.children.push_back(XmlNode(p + "i"));
        XmlNode sz(p + "sz");
        sz.setAttribute(QStringLiteral("val"), QString::number(format.hasFontSize() ? format.fontSize() : 11.0, 'g', 15));
        font.children.push_back(sz);
        XmlNode name(p + "name");
        name.setAttribute(QStringLiteral("val"), format.hasFontName() ? format.fontName() : QStringLiteral("Calibri"));
        font.children.push_back(name);
        if (format.hasFontName()) {
            XmlNode charset(p + "charset");   // Cyrillic faces such as "Arial Cyr" need it on Windows
            charset.setAttribute(QStringLiteral("val"), QStringLiteral("204"));
            font.children.push_back(charset);
        }
        fontId = appendCounted(*fonts, std::move(font));
    }

    const QStringList afterXfs = {p + "cellStyles", p + "dxfs", p + "tableStyles", p + "colors", p + "extLst"};
    XmlNode *xfs = childOrInsert(m_root, p + "cellXfs", afterXfs);
    if (xfs->elementCount() == 0) {
        // Style 0 must stay the default look.
        XmlNode base(p + "xf");
        base.setAttribute(QStringLiteral("numFmtId"), QStringLiteral("0"));
        base.setAttribute(QStringLiteral("fontId"), QStringLiteral("0"));
        base.setAttribute(QStringLiteral("fillId"), QStringLiteral("0"));
        base.setAttribute(QStringLiteral("borderId"), QStringLiteral("0"));
        appendCounted(*xfs, std::move(base));
    }
    XmlNode xf(p + "xf");
    xf.setAttribute(QStringLiteral("numFmtId"), QStringLiteral("0"));
    xf.setAttribute(QStringLiteral("fontId"), QString::number(fontId));
    xf.setAttribute(QStringLiteral("fillId"), QStringLiteral("0"));
    xf.setAttribute(QStringLiteral("borderId"), QStringLiteral("0"));
    xf.setAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
    if (format.hasFont())
        xf.setAttribute(QStringLiteral("applyFont"), QStringLiteral("1"));
    if (format.hasAlignment()) {
        xf.setAttribute(QStringLiteral("applyAlignment"), QStringLiteral("1"));
        XmlNode alignment(p + "alignment");
        if (format.hasHorizontalAlignment())
            alignment.setAttribute(QStringLiteral("horizontal"), Format::horizontalName(format.horizontalAlignment()));
        if (format.hasVerticalAlignment())
            alignment.setAttribute(QStringLiteral("vertical"), Format::verticalName(format.verticalAlignment()));
        xf.children.push_back(alignment);
    }
    const int index = appendCounted(*xfs, std::move(xf));
    m_added.insert(key, index);
    m_modified = true;
    return index;
}

}
