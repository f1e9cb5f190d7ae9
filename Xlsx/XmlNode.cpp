#include "Xlsx/XmlNode.h"

#include <QXmlStreamReader>

namespace Xlsx {

namespace {

bool validXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
           || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The escape for ch, or null when ch goes out as it is. dropped is set for a
// character XML cannot carry: cell texts are encoded before they get this far
// (see Cell), so such a character is left out.
template <bool Attribute> const char *escapeFor(ushort ch, bool *dropped)
{
    *dropped = false;
    switch (ch) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return Attribute ? "&quot;" : nullptr;
    case '\r': return "&#13;";
    case '\n': return Attribute ? "&#10;" : nullptr;
    case '\t': return Attribute ? "&#9;" : nullptr;
    default:
        *dropped = !validXmlChar(ch) || QChar::isSurrogate(ch);
        return nullptr;
    }
}

// Runs of plain characters are appended whole, not one by one.
template <bool Attribute> void appendEscaped(QString &out, const QString &text)
{
    const QChar *p = text.constData();
    const int n = text.size();
    int run = 0;
    for (int i = 0; i < n; ++i) {
        const QChar ch = p[i];
        if (ch.isHighSurrogate() && i + 1 < n && p[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        bool dropped = false;
        const char *escape = escapeFor<Attribute>(ch.unicode(), &dropped);
        if (!escape && !dropped)
            continue;
        out.append(p + run, i - run);
        if (escape)
            out.append(QLatin1String(escape));
        run = i + 1;
    }
    out.append(p + run, n - run);
}

}

void appendEscapedText(QString &out, const QString &text) { appendEscaped<false>(out, text); }
void appendEscapedAttribute(QString &out, const QString &text) { appendEscaped<true>(out, text); }

bool XmlNode::hasAttribute(const QString &attributeName) const
{
    for (const auto &a : attributes)
        if (a.name == attributeName)
            return true;
    return false;
}

QString XmlNode::attribute(const QString &attributeName, const QString &fallback) const
{
    for (const auto &a : attributes)
        if (a.name == attributeName)
            return a.value;
    return fallback;
}

void XmlNode::setAttribute(const QString &attributeName, const QString &value)
{
    for (auto &a : attributes)
        if (a.name == attributeName) {
            a.value = value;
            return;
        }
    attributes.append({attributeName, value});
}

void XmlNode::removeAttribute(const QString &attributeName)
{
    for (int i = attributes.size() - 1; i >= 0; --i)
        if (attributes.at(i).name == attributeName)
            attributes.remove(i);
}

XmlNode *XmlNode::child(const QString &childName)
{
    for (auto &c : children)
        if (c.kind == Element && c.name == childName)
            return &c;
    return nullptr;
}

const XmlNode *XmlNode::child(const QString &childName) const
{
    return const_cast<XmlNode *>(this)->child(childName);
}

int XmlNode::elementCount() const
{
    int n = 0;
    for (const auto &c : children)
        if (c.kind == Element)
            ++n;
    return n;
}

QString XmlNode::innerText() const
{
    if (kind == Text)
        return text;
    QString s;
    for (const auto &c : children)
        if (c.kind != Comment)
            s += c.innerText();
    return s;
}

QString localName(const QString &qualified)
{
    const int colon = qualified.indexOf(QLatin1Char(':'));
    return colon < 0 ? qualified : qualified.mid(colon + 1);
}

QString localName(const QStringRef &qualified)
{
    const int colon = qualified.indexOf(QLatin1Char(':'));
    return (colon < 0 ? qualified : qualified.mid(colon + 1)).toString();
}

QString prefixOf(const QString &qualified)
{
    const int colon = qualified.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : qualified.left(colon + 1);
}

void XmlNode::setInnerText(const QString &value)
{
    children.clear();
    XmlNode t;
    t.kind = Text;
    t.text = value;
    children.push_back(std::move(t));
}

void prepareReader(QXmlStreamReader &reader)
{
    reader.setNamespaceProcessing(false);
}

bool rejectDtd(QXmlStreamReader &reader)
{
    if (reader.tokenType() == QXmlStreamReader::DTD || reader.tokenType() == QXmlStreamReader::EntityReference) {
        reader.raiseError(QStringLiteral("document type declarations are not allowed"));
        return true;
    }
    return false;
}

XmlNode XmlNode::readElement(QXmlStreamReader &reader, int depth)
{
    XmlNode node(reader.qualifiedName().toString());
    if (depth >= MaxDepth) {
        reader.raiseError(QStringLiteral("elements nested too deeply"));
        return node;
    }
    const auto attrs = reader.attributes();
    node.attributes.reserve(attrs.size());
    for (const auto &a : attrs)
        node.attributes.append({a.qualifiedName().toString(), a.value().toString()});
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            node.children.push_back(readElement(reader, depth + 1));
            break;
        case QXmlStreamReader::EndElement:
            return node;
        case QXmlStreamReader::Characters: {
            XmlNode t;
            t.kind = Text;
            t.text = reader.text().toString();
            node.children.push_back(std::move(t));
            break;
        }
        case QXmlStreamReader::Comment: {
            XmlNode t;
            t.kind = Comment;
            t.text = reader.text().toString();
            node.children.push_back(std::move(t));
            break;
        }
        default:
            if (rejectDtd(reader))
                return node;
            break;
        }
    }
    return node;
}

bool XmlNode::parse(const QByteArray &data, XmlNode &root, QString *error)
{
    QXmlStreamReader reader(data);
    prepareReader(reader);
    bool haveRoot = false;
    while (!reader.atEnd() && !reader.hasError()) {
        const auto token = reader.readNext();
        if (rejectDtd(reader))
            break;
        if (token == QXmlStreamReader::StartElement) {
            if (haveRoot) {
                reader.raiseError(QStringLiteral("more than one root element"));
                break;
            }
            root = readElement(reader);
            haveRoot = true;
        }
    }
    if (!reader.hasError() && !haveRoot)
        reader.raiseError(QStringLiteral("no root element"));
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
        return false;
    }
    return true;
}

void XmlNode::write(QString &out) const
{
    switch (kind) {
    case Text:
        appendEscapedText(out, text);
        return;
    case Comment:
        // "--" cannot stand in a comment; such a comment is not worth keeping.
        if (!text.contains(QLatin1String("--")) && !text.endsWith(QLatin1Char('-'))) {
            out += QLatin1String("<!--");
            out += text;
            out += QLatin1String("-->");
        }
        return;
    case Element:
        break;
    }
    out += QLatin1Char('<');
    out += name;
    for (const auto &a : attributes) {
        out += QLatin1Char(' ');
        out += a.name;
        out += QLatin1String("=\"");
        appendEscapedAttribute(out, a.value);
        out += QLatin1Char('"');
    }
    if (children.empty()) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (const auto &c : children)
        c.write(out);
    out += QLatin1String("</");
    out += name;
    out += QLatin1Char('>');
}

QByteArray XmlNode::toDocument() const
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
    write(out);
    return out.toUtf8();
}

}
