#include "Xlsx/ReferenceText.h"

#include "Xlsx/XlsxGlobal.h"

#include <QRegularExpression>

#include <functional>

namespace Xlsx {

namespace {

bool identifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('\\');
}

// Calls visit(qualifierStart, afterBang, name) for every sheet qualifier;
// visit returns the text to put in place of text[qualifierStart, end) and
// sets end (initially afterBang) to how far the replacement reaches.
QString scan(const QString &text, const std::function<QString(int start, int &end, const QString &name)> &visit)
{
    // Every qualifier ends in '!': most formulas have none to visit.
    if (!text.contains(QLatin1Char('!')))
        return text;
    QString out;
    int i = 0;
    const int n = text.size();
    int copied = 0;
    while (i < n) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
            continue;
        }
        int start = i;
        QString name;
        int afterName = -1;
        if (ch == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < n) {
                if (text.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && text.at(j + 1) == QLatin1Char('\'')) {
                        name += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += text.at(j);
                ++j;
            }
            afterName = j + 1;
        } else if (identifierChar(ch) && (i == 0 || !identifierChar(text.at(i - 1)))) {
            // "#REF!" is an error, "[1]Name!" a sheet of another workbook.
            const bool foreign = i > 0 && (text.at(i - 1) == QLatin1Char('#') || text.at(i - 1) == QLatin1Char(']'));
            int j = i;
            while (j < n && identifierChar(text.at(j)))
                ++j;
            name = text.mid(i, j - i);
            afterName = j;
            if (foreign) {
                i = j;
                continue;
            }
        }
        if (afterName > 0 && afterName < n && text.at(afterName) == QLatin1Char('!')) {
            int end = afterName + 1;
            const QString replacement = visit(start, end, name);
            if (!replacement.isNull()) {
                out += text.mid(copied, start - copied);
                out += replacement;
                copied = end;
            }
            i = end;
            continue;
        }
        i = afterName > i ? afterName : i + 1;
    }
    if (copied == 0)
        return text;
    out += text.mid(copied);
    return out;
}

bool sameSheet(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}

QString ReferenceText::quoted(const QString &sheetName)
{
    QString s = sheetName;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

bool ReferenceText::refersTo(const QString &formula, const QString &sheetName)
{
    bool found = false;
    scan(formula, [&](int, int &, const QString &name) {
        if (sameSheet(name, sheetName))
            found = true;
        return QString();
    });
    return found;
}

QString ReferenceText::renamed(const QString &formula, const QString &oldName, const QString &newName)
{
    return scan(formula, [&](int, int &, const QString &name) {
        if (!sameSheet(name, oldName))
            return QString();
        return quoted(newName) + QLatin1Char('!');
    });
}

QString ReferenceText::rowsShifted(const QString &formula, const QString &sheetName, int row, int count)
{
    // One per thread: a protocol and a graph export may be written at once.
    thread_local const QRegularExpression cellRef(
        QStringLiteral("\\G(\\$?[A-Za-z]{1,3})(\\$?)(\\d{1,7})(?::(\\$?[A-Za-z]{1,3})(\\$?)(\\d{1,7}))?(?![A-Za-z0-9_(])"));
    thread_local const QRegularExpression rowRange(QStringLiteral("\\G(\\$?)(\\d{1,7}):(\\$?)(\\d{1,7})(?![A-Za-z0-9_(])"));
    auto shift = [&](const QString &digits) {
        const qint64 r = digits.toLongLong();
        if (r <= row)
            return digits;
        return QString::number(qMin<qint64>(r + count, MaxRows));
    };
    return scan(formula, [&](int start, int &end, const QString &name) {
        if (!sameSheet(name, sheetName))
            return QString();
        const QString qualifier = formula.mid(start, end - start);
        auto m = cellRef.match(formula, end);
        if (m.hasMatch()) {
            QString r = qualifier + m.captured(1) + m.captured(2) + shift(m.captured(3));
            if (m.capturedLength(4))
                r += QLatin1Char(':') + m.captured(4) + m.captured(5) + shift(m.captured(6));
            end = m.capturedEnd();
            return r;
        }
        m = rowRange.match(formula, end);
        if (m.hasMatch()) {
            const QString r = qualifier + m.captured(1) + shift(m.captured(2)) + QLatin1Char(':') + m.captured(3)
                              + shift(m.captured(4));
            end = m.capturedEnd();
            return r;
        }
        return QString();
    });
}

}
