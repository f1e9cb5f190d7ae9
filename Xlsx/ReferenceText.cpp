#include "Xlsx/ReferenceText.h"

#include "Xlsx/CellReference.h"
#include "Xlsx/XlsxGlobal.h"

namespace Xlsx {

namespace {

const QString RefError = QStringLiteral("#REF!");

// Characters of names, functions, plain sheet names and A1 references.
bool wordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('\\')
           || c == QLatin1Char('?') || c == QLatin1Char('$');
}

bool asciiLetter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool asciiDigit(QChar c)
{
    const ushort u = c.unicode();
    return u >= '0' && u <= '9';
}

// One end of an area: a cell, a whole column (A of A:C) or a whole row (1 of 1:3).
struct End
{
    enum Kind { Cell, Column, Row } kind = Cell;
    bool columnAbsolute = false;
    bool rowAbsolute = false;
    int column = 0;
    int row = 0;
};

struct Reference
{
    enum Kind {
        Unqualified,   // on the formula's own sheet
        Sheet,         // on a sheet of this workbook, or a 3-D span of them
        Foreign        // on another workbook's sheet: never changed
    } kind = Unqualified;
    int start = 0;       // of the qualifier, or of the area when there is none
    int areaStart = 0;   // where the area begins
    int end = 0;
    QString first;       // Sheet: the sheet, or the first of a span
    QString last;        // the last of a span; empty for one sheet
    bool hasArea = false;   // false: the qualifier stands before a name, which end takes in
    bool range = false;
    End a, b;
};

class Scanner
{
public:
    explicit Scanner(const QString &text) : m_text(text), m_n(text.size()) {}

    // The next reference, qualified or not; false at the end of the text.
    bool next(Reference &ref)
    {
        while (m_i < m_n) {
            const QChar c = m_text.at(m_i);
            if (c == QLatin1Char('"')) {
                m_i = skipString(m_i);
            } else if (c == QLatin1Char('[')) {
                // Another workbook's index ([1]Name!A1, [1]!Name), or brackets of a
                // table reference: nothing after them is ours.
                const int j = skipBrackets(m_i);
                if (j < m_n && m_text.at(j) == QLatin1Char('!')) {
                    m_i = wordEnd(j + 1);
                    continue;
                }
                QString name, last;
                int bang = -1;
                if (qualifierAt(j, name, last, bang)) {
                    ref = Reference();
                    ref.kind = Reference::Foreign;
                    ref.start = m_i;
                    finish(ref, bang + 1);
                    return true;
                }
                m_i = j;
            } else if (c == QLatin1Char('\'')) {
                QString name, last;
                int bang = -1;
                if (qualifierAt(m_i, name, last, bang)) {
                    ref = Reference();
                    // A quoted qualifier with brackets names a sheet of another
                    // workbook ('[1]Name'!, 'C:\dir\[book.xlsx]Name'!).
                    const bool foreign = name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'));
                    ref.kind = foreign ? Reference::Foreign : Reference::Sheet;
                    ref.first = name;
                    ref.last = last;
                    ref.start = m_i;
                    finish(ref, bang + 1);
                    return true;
                }
                // An apostrophe that opens no qualifier: go past its quoted text.
                QString skipped;
                int after = m_n;
                quotedText(m_i, skipped, after);
                m_i = after;
            } else if (c == QLatin1Char('#')) {
                // An error value; "#REF!A1" stands for a lost reference, and what
                // follows it is no reference of ours either.
                int j = m_i + 1;
                while (j < m_n && (m_text.at(j).isLetterOrNumber() || m_text.at(j) == QLatin1Char('/')
                                   || m_text.at(j) == QLatin1Char('_')))
                    ++j;
                if (j < m_n && (m_text.at(j) == QLatin1Char('!') || m_text.at(j) == QLatin1Char('?'))) {
                    ++j;
                    Reference lost;
                    if (m_text.at(j - 1) == QLatin1Char('!') && area(j, lost))
                        j = lost.end;
                }
                m_i = j;
            } else if (asciiDigit(c)) {
                // Whole rows (3:5), or a number with its fraction and exponent,
                // whose letters are no column (1E5).
                int j = m_i;
                while (j < m_n && asciiDigit(m_text.at(j)))
                    ++j;
                if (j < m_n && m_text.at(j) == QLatin1Char(':')) {
                    ref = Reference();
                    ref.start = ref.areaStart = m_i;
                    if (area(m_i, ref) && ref.a.kind == End::Row) {
                        ref.hasArea = true;
                        m_i = ref.end;
                        return true;
                    }
                }
                if (j < m_n && m_text.at(j) == QLatin1Char('.')) {
                    ++j;
                    while (j < m_n && asciiDigit(m_text.at(j)))
                        ++j;
                }
                if (j < m_n && (m_text.at(j) == QLatin1Char('e') || m_text.at(j) == QLatin1Char('E'))) {
                    int k = j + 1;
                    if (k < m_n && (m_text.at(k) == QLatin1Char('+') || m_text.at(k) == QLatin1Char('-')))
                        ++k;
                    if (k < m_n && asciiDigit(m_text.at(k))) {
                        j = k;
                        while (j < m_n && asciiDigit(m_text.at(j)))
                            ++j;
                    }
                }
                m_i = j;
            } else if (wordChar(c) && c != QLatin1Char('.')) {
                const int j = wordEnd(m_i);
                const QChar after = j < m_n ? m_text.at(j) : QChar();
                if (after == QLatin1Char('(')) {
                    m_i = j + 1;   // a function, whatever its name looks like
                    continue;
                }
                if (after == QLatin1Char('[')) {
                    m_i = skipBrackets(j);   // Table[Column]
                    continue;
                }
                QString name, last;
                int bang = -1;
                if (qualifierAt(m_i, name, last, bang)) {
                    ref = Reference();
                    ref.kind = Reference::Sheet;
                    ref.first = name;
                    ref.last = last;
                    ref.start = m_i;
                    finish(ref, bang + 1);
                    return true;
                }
                ref = Reference();
                ref.start = ref.areaStart = m_i;
                if (area(m_i, ref)) {
                    ref.hasArea = true;
                    m_i = ref.end;
                    return true;
                }
                m_i = j;   // a defined name, TRUE, FALSE
            } else {
                ++m_i;
            }
        }
        return false;
    }

private:
    int wordEnd(int from) const
    {
        int j = from;
        while (j < m_n && wordChar(m_text.at(j)))
            ++j;
        return j;
    }

    int skipString(int from) const
    {
        int j = from + 1;
        while (j < m_n) {
            if (m_text.at(j) == QLatin1Char('"')) {
                if (j + 1 < m_n && m_text.at(j + 1) == QLatin1Char('"')) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return m_n;
    }

    // Past the bracket that closes the one at from; an apostrophe escapes the
    // next character, as in table references.
    int skipBrackets(int from) const
    {
        int depth = 0;
        int j = from;
        while (j < m_n) {
            const QChar c = m_text.at(j);
            if (c == QLatin1Char('\'')) {
                j += 2;
                continue;
            }
            if (c == QLatin1Char('['))
                ++depth;
            else if (c == QLatin1Char(']') && --depth == 0)
                return j + 1;
            ++j;
        }
        return m_n;
    }

    // The text of a quoted name at from ('' is one apostrophe); after is the
    // position past the closing apostrophe. False when none closes it.
    bool quotedText(int from, QString &name, int &after) const
    {
        name.clear();
        int j = from + 1;
        while (j < m_n) {
            if (m_text.at(j) == QLatin1Char('\'')) {
                if (j + 1 < m_n && m_text.at(j + 1) == QLatin1Char('\'')) {
                    name += QLatin1Char('\'');
                    j += 2;
                    continue;
                }
                after = j + 1;
                return true;
            }
            name += m_text.at(j);
            ++j;
        }
        return false;
    }

    // A sheet qualifier at from: 'Name'!, Name!, 'First:Last'! or First:Last!.
    // bang is the position of its "!".
    bool qualifierAt(int from, QString &name, QString &last, int &bang) const
    {
        if (from >= m_n)
            return false;
        last.clear();
        if (m_text.at(from) == QLatin1Char('\'')) {
            int after = 0;
            if (!quotedText(from, name, after) || after >= m_n || m_text.at(after) != QLatin1Char('!'))
                return false;
            // Sheet names hold no colon: one here spans sheets.
            const int colon = name.indexOf(QLatin1Char(':'));
            if (colon >= 0 && !name.contains(QLatin1Char('['))) {
                last = name.mid(colon + 1);
                name.truncate(colon);
            }
            bang = after;
            return true;
        }
        if (!wordChar(m_text.at(from)))
            return false;
        int j = wordEnd(from);
        if (j < m_n && m_text.at(j) == QLatin1Char('!')) {
            name = m_text.mid(from, j - from);
            bang = j;
            return true;
        }
        if (j < m_n && m_text.at(j) == QLatin1Char(':')) {
            const int k = wordEnd(j + 1);
            if (k > j + 1 && k < m_n && m_text.at(k) == QLatin1Char('!')) {
                name = m_text.mid(from, j - from);
                last = m_text.mid(j + 1, k - j - 1);
                bang = k;
                return true;
            }
        }
        return false;
    }

    // The area after a qualifier, or the qualifier alone when a name follows it.
    void finish(Reference &ref, int areaStart)
    {
        ref.areaStart = areaStart;
        ref.hasArea = area(areaStart, ref);
        if (!ref.hasArea)
            ref.end = wordEnd(areaStart);   // the name on the sheet, if one follows
        m_i = ref.end;
    }

    bool parseEnd(int from, int to, End &e) const
    {
        e = End();
        int k = from;
        bool dollar = false;
        if (k < to && m_text.at(k) == QLatin1Char('$')) {
            dollar = true;
            ++k;
        }
        const int letters = k;
        while (k < to && k - letters < 4 && asciiLetter(m_text.at(k)))
            ++k;
        if (k > letters) {
            e.columnAbsolute = dollar;
            e.column = CellReference::columnNumber(m_text.mid(letters, k - letters));
            if (e.column == 0)
                return false;
            if (k == to) {
                e.kind = End::Column;
                return true;
            }
            if (m_text.at(k) == QLatin1Char('$')) {
                e.rowAbsolute = true;
                ++k;
            }
            e.kind = End::Cell;
        } else {
            e.rowAbsolute = dollar;
            e.kind = End::Row;
        }
        if (k == to || to - k > 7)
            return false;
        qint64 row = 0;
        for (; k < to; ++k) {
            if (!asciiDigit(m_text.at(k)))
                return false;
            row = row * 10 + (m_text.at(k).unicode() - '0');
        }
        if (row < 1 || row > MaxRows)
            return false;
        e.row = int(row);
        return true;
    }

    // A cell, or a range of cells, whole columns or whole rows, at p.
    bool area(int p, Reference &ref) const
    {
        const int e1 = wordEnd(p);
        if (e1 == p)
            return false;
        auto endsName = [&](int j) {
            return j < m_n && (m_text.at(j) == QLatin1Char('(') || m_text.at(j) == QLatin1Char('!')
                               || m_text.at(j) == QLatin1Char('['));
        };
        if (endsName(e1))
            return false;
        End a;
        if (!parseEnd(p, e1, a))
            return false;
        if (e1 < m_n && m_text.at(e1) == QLatin1Char(':')) {
            const int e2 = wordEnd(e1 + 1);
            End b;
            if (e2 > e1 + 1 && !endsName(e2) && parseEnd(e1 + 1, e2, b) && b.kind == a.kind) {
                ref.a = a;
                ref.b = b;
                ref.range = true;
                ref.end = e2;
                return true;
            }
        }
        if (a.kind != End::Cell)
            return false;
        ref.a = a;
        ref.range = false;
        ref.end = e1;
        return true;
    }

    const QString &m_text;
    const int m_n;
    int m_i = 0;
};

void appendEnd(QString &out, const End &e)
{
    if (e.kind != End::Row) {
        if (e.columnAbsolute)
            out += QLatin1Char('$');
        out += CellReference::columnName(e.column);
    }
    if (e.kind != End::Column) {
        if (e.rowAbsolute)
            out += QLatin1Char('$');
        out += QString::number(e.row);
    }
}

// The reference with its qualifier as written and the area's ends replaced.
QString withArea(const QString &text, const Reference &ref, const End &a, const End &b)
{
    QString out = text.mid(ref.start, ref.areaStart - ref.start);
    appendEnd(out, a);
    if (ref.range) {
        out += QLatin1Char(':');
        appendEnd(out, b);
    }
    return out;
}

// Calls rewrite for every reference; a null result keeps the reference as written.
template <typename Rewrite> QString rewritten(const QString &text, Rewrite rewrite)
{
    Scanner scanner(text);
    Reference ref;
    QString out;
    int copied = 0;
    while (scanner.next(ref)) {
        const QString replacement = rewrite(ref);
        if (replacement.isNull())
            continue;
        out += text.midRef(copied, ref.start - copied);
        out += replacement;
        copied = ref.end;
    }
    if (copied == 0)
        return text;
    out += text.midRef(copied);
    return out;
}

bool sameSheet(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool namesSheet(const Reference &ref, const QString &sheetName)
{
    return ref.kind == Reference::Sheet
           && (sameSheet(ref.first, sheetName) || (!ref.last.isEmpty() && sameSheet(ref.last, sheetName)));
}

QString quotedName(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return s;
}

}

QString ReferenceText::quoted(const QString &sheetName)
{
    return QLatin1Char('\'') + quotedName(sheetName) + QLatin1Char('\'');
}

bool ReferenceText::refersTo(const QString &formula, const QString &sheetName)
{
    if (!formula.contains(QLatin1Char('!')))
        return false;
    Scanner scanner(formula);
    Reference ref;
    while (scanner.next(ref))
        if (namesSheet(ref, sheetName))
            return true;
    return false;
}

QString ReferenceText::renamed(const QString &formula, const QString &oldName, const QString &newName)
{
    if (!formula.contains(QLatin1Char('!')))
        return formula;
    return rewritten(formula, [&](const Reference &ref) {
        if (!namesSheet(ref, oldName))
            return QString();
        const QString first = sameSheet(ref.first, oldName) ? newName : ref.first;
        QString qualifier = QLatin1Char('\'') + quotedName(first);
        if (!ref.last.isEmpty())
            qualifier += QLatin1Char(':') + quotedName(sameSheet(ref.last, oldName) ? newName : ref.last);
        qualifier += QLatin1String("'!");
        return qualifier + formula.mid(ref.areaStart, ref.end - ref.areaStart);
    });
}

QString ReferenceText::sheetDeleted(const QString &formula, const QString &sheetName)
{
    if (!formula.contains(QLatin1Char('!')))
        return formula;
    return rewritten(formula, [&](const Reference &ref) { return namesSheet(ref, sheetName) ? RefError : QString(); });
}

QString ReferenceText::rowsShifted(const QString &formula, const QString &sheetName, int row, int count,
                                   const QString &ownSheet)
{
    if (count < 1)
        return formula;
    const bool own = !ownSheet.isEmpty() && sameSheet(ownSheet, sheetName);
    if (!own && !formula.contains(QLatin1Char('!')))
        return formula;
    return rewritten(formula, [&](const Reference &ref) {
        if (!ref.hasArea)
            return QString();
        const bool onSheet = ref.kind == Reference::Unqualified
                                 ? own
                                 : ref.kind == Reference::Sheet && ref.last.isEmpty() && sameSheet(ref.first, sheetName);
        if (!onSheet)
            return QString();
        End a = ref.a, b = ref.b;
        bool changed = false, lost = false;
        auto shift = [&](End &e, bool keepsLastRow) {
            if (e.kind == End::Column || e.row <= row)
                return;
            qint64 moved = qint64(e.row) + count;
            if (moved > MaxRows) {
                if (!keepsLastRow) {
                    lost = true;
                    return;
                }
                moved = MaxRows;
            }
            changed = changed || moved != e.row;
            e.row = int(moved);
        };
        shift(a, false);
        if (ref.range)
            shift(b, true);
        if (lost)
            return RefError;
        return changed ? withArea(formula, ref, a, b) : QString();
    });
}

QString ReferenceText::moved(const QString &formula, int rows, int columns)
{
    if (rows == 0 && columns == 0)
        return formula;
    return rewritten(formula, [&](const Reference &ref) {
        if (!ref.hasArea || ref.kind == Reference::Foreign)
            return QString();
        End a = ref.a, b = ref.b;
        bool changed = false, lost = false;
        auto move = [&](End &e) {
            if (e.kind != End::Row && !e.columnAbsolute && columns != 0) {
                const qint64 c = qint64(e.column) + columns;
                lost = lost || c < 1 || c > MaxColumns;
                e.column = int(c);
                changed = true;
            }
            if (e.kind != End::Column && !e.rowAbsolute && rows != 0) {
                const qint64 r = qint64(e.row) + rows;
                lost = lost || r < 1 || r > MaxRows;
                e.row = int(r);
                changed = true;
            }
        };
        move(a);
        if (ref.range)
            move(b);
        if (lost)
            return RefError;
        return changed ? withArea(formula, ref, a, b) : QString();
    });
}

}
