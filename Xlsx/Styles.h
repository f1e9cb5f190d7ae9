#pragma once

#include "Xlsx/Format.h"
#include "Xlsx/XmlNode.h"

#include <QHash>

namespace Xlsx {

// The workbook's cell styles (styles.xml). Parsed only when a write brings a
// format of its own; otherwise the part is written back untouched.
class Styles
{
public:
    // A minimal valid style sheet for a new workbook.
    static QByteArray emptyPart();

    bool load(const QByteArray &part, QString *error);
    bool isLoaded() const { return m_loaded; }
    bool isModified() const { return m_modified; }
    // The cell style index of format (added once per distinct format); -1
    // when the style sheet has no cellXfs to add to.
    int styleIndex(const Format &format);
    QByteArray toPart() const { return m_root.toDocument(); }

    // What the row height of a cell's text depends on, for cell style xf; the
    // defaults (11 points, plain, no wrap) where the style sheet says nothing.
    struct TextLook
    {
        double fontPoints = 11;
        bool bold = false;
        bool wraps = false;
    };
    TextLook textLook(int xf) const;

    // Gives every number format whose code is code the code replacement; the number of formats
    // changed. Every cell of those formats shows its number in the new way.
    int replaceNumberFormat(const QString &code, const QString &replacement);

private:
    XmlNode m_root;
    bool m_loaded = false;
    bool m_modified = false;
    QHash<QString, int> m_added;
};

}
