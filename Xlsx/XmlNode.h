#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

class QStringRef;
class QXmlStreamReader;

namespace Xlsx {

// An element or attribute name without its prefix: "x:row" is "row".
QString localName(const QString &qualified);
QString localName(const QStringRef &qualified);
// The prefix of a name with its colon ("x:" of "x:row"), empty for a name without one: what is
// added beside an element takes its prefix.
QString prefixOf(const QString &qualified);

struct XmlAttribute
{
    QString name;   // qualified, with the prefix the file used
    QString value;
};

// A small element tree for the parts we rewrite. Names keep their prefixes and
// namespace declarations stay ordinary attributes, so a part keeps its own
// prefixes (mc:Ignorable names them) when it is written back.
class XmlNode
{
public:
    enum Kind { Element, Text, Comment };

    XmlNode() = default;
    explicit XmlNode(const QString &elementName) : name(elementName) {}

    Kind kind = Element;
    QString name;
    QVector<XmlAttribute> attributes;
    std::vector<XmlNode> children;
    QString text;   // Text and Comment nodes

    bool hasAttribute(const QString &attributeName) const;
    QString attribute(const QString &attributeName, const QString &fallback = QString()) const;
    void setAttribute(const QString &attributeName, const QString &value);
    void removeAttribute(const QString &attributeName);

    XmlNode *child(const QString &childName);
    const XmlNode *child(const QString &childName) const;
    int elementCount() const;
    // Removes the element children for which pred is true.
    template <typename Pred> void removeChildren(Pred pred)
    {
        std::vector<XmlNode> kept;
        kept.reserve(children.size());
        for (auto &c : children)
            if (!(c.kind == Element && pred(c)))
                kept.push_back(std::move(c));
        children.swap(kept);
    }
    // Concatenated text of this node and its descendants.
    QString innerText() const;
    // Replaces the children by one text.
    void setInnerText(const QString &value);

    // Reads the element the reader stands on (a StartElement) with its
    // subtree. Deeper nesting than any real part has is an error, so that a
    // hostile file cannot exhaust the stack.
    static constexpr int MaxDepth = 256;
    static XmlNode readElement(QXmlStreamReader &reader, int depth = 0);
    // Parses a whole part; false with a message when it is not well-formed.
    static bool parse(const QByteArray &data, XmlNode &root, QString *error);

    void write(QString &out) const;
    // The part as bytes, with the standard declaration.
    QByteArray toDocument() const;
};

// Sets up a reader the way every part is read: no namespace processing, and
// no DTD (a package part never has one; refusing it rules out entity tricks).
void prepareReader(QXmlStreamReader &reader);
// True when the reader met a DTD; sets an error on it.
bool rejectDtd(QXmlStreamReader &reader);

void appendEscapedText(QString &out, const QString &text);
void appendEscapedAttribute(QString &out, const QString &text);

}
