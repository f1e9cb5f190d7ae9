#pragma once

#include "Xlsx/XmlNode.h"

#include <QString>
#include <QVariant>

namespace Xlsx {

// One stored cell: its value (number, text, boolean, error or blank), its
// formula text and its style. A cell read from a file and never written is
// written back as it came (shared-string index, rich inline text), so the
// template's look survives; a formula cell is written back without its cached
// result, which every reader then computes.
class Cell
{
public:
    enum class Type { Blank, Number, String, Boolean, Error };

    Type type() const { return m_type; }
    // Double for numbers, QString for texts and errors, bool for booleans,
    // an invalid QVariant for a blank cell. A formula cell gives its cached
    // result as read, which may be stale and is not saved.
    QVariant value() const { return m_value; }
    bool hasFormula() const { return m_hasFormula; }
    // The formula text as stored (without "="); empty for a member of a shared
    // formula, which takes its text from the group's first cell.
    QString formula() const { return m_formula; }
    bool isSharedFormula() const;
    // Index into the workbook's cell styles; 0 when the cell has none.
    int styleIndex() const { return m_style < 0 ? 0 : m_style; }

    // Decodes the _xHHHH_ escapes the file format uses for characters XML
    // cannot carry, and encodes them back.
    static QString decodeEscapes(const QString &stored);
    static QString encodeEscapes(const QString &text);
    // The text of a string item (<si> or <is>): its runs joined, decoded.
    static QString textOfStringItem(const XmlNode &item);

private:
    friend class Worksheet;
    friend class Document;

    Type m_type = Type::Blank;
    QVariant m_value;
    int m_style = -1;   // -1: no "s" attribute
    bool m_hasFormula = false;
    QString m_formula;
    QVector<XmlAttribute> m_formulaAttributes;   // t, ref, si, ca, ...
    QVector<XmlAttribute> m_extraAttributes;     // cm, vm, ph
    // As read, while the value has not been written.
    bool m_written = false;
    QString m_storedType;    // the "t" attribute
    QString m_storedValue;   // the <v> text
    QString m_storedInline;  // the <is> element, as XML
    QString m_storedExtra;   // other children (extLst), as XML
};

}
