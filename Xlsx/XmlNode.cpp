#include "Xlsx/XmlNode.h"

#include <QXmlStreamReader>

namespace Xlsx {

namespace {

bool validXmlChar(uint c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
           || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

template <bool Attribute> void appendEscaped(QString &out, const QString &text)
{
    const QChar *p = text.constData();
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar ch = p[i];
        if (ch.isHighSurrogate() && i + 1 < n && p[i + 1].isLowSurrogate()) {
            out.append(ch);
            out.append(p[++i]);
            continue;
        }
        switch (ch.unicode()) {
        case '&': out.append(QLatin1String("&amp;")); break;
        case '<': out.append(QLatin1String("&lt;")); break;
        case '>': out.append(QLatin1String("&gt;")); break;
        case '"':
            if (Attribute) out.append(QLatin1String("&quot;"));
            else out.append(ch);
            break;
        case '\r': out.append(QLatin1String("&#13;")); break;
        case '\n':
            if (Attribute) out.append(QLatin1String("&#10;"));
            else out.append(ch);
            break;
        case '\t':
            if (Attribute) out.append(QLatin1String("&#9;"));
            else out.append(ch);
            break;
        default:
            // Characters XML cannot carry are dropped here; cell texts are
            // encoded before they get this far (see Cell).
            if (validXmlChar(ch.unicode()) && !ch.isSurrogate())
                out.append(ch);
        }
    }
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
