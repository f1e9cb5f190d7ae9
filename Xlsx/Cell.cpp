#include "Xlsx/Cell.h"

namespace Xlsx {

bool Cell::isSharedFormula() const
{
    for (const auto &a : m_formulaAttributes)
        if (a.name == QLatin1String("t"))
            return a.value == QLatin1String("shared");
    return false;
}

static int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Position of an escape "_xHHHH_" at i, giving its code; -1 when there is none.
static int escapeAt(const QString &s, int i)
{
    if (i + 7 > s.size() || s.at(i) != QLatin1Char('_') || s.at(i + 1) != QLatin1Char('x')
        || s.at(i + 6) != QLatin1Char('_'))
        return -1;
    int code = 0;
    for (int k = 2; k < 6; ++k) {
        const int h = hexValue(s.at(i + k));
        if (h < 0)
            return -1;
        code = code * 16 + h;
    }
    return code;
}

QString Cell::decodeEscapes(const QString &stored)
{
    if (!stored.contains(QLatin1String("_x")))
        return stored;
    QString out;
    out.reserve(stored.size());
    for (int i = 0; i < stored.size(); ++i) {
        const int code = escapeAt(stored, i);
        if (code >= 0) {
            out.append(QChar(ushort(code)));
            i += 6;
        } else {
            out.append(stored.at(i));
        }
    }
    return out;
}

// True when text[i] cannot go into the file as it is.
static bool needsEscape(const QString &text, int i)
{
    const int n = text.size();
    const QChar ch = text.at(i);
    const ushort u = ch.unicode();
    if (u < 0x20)
        return u != '\t' && u != '\n' && u != '\r';
    if (u == 0xFFFE || u == 0xFFFF)
        return true;
    if (ch.isHighSurrogate())
        return !(i + 1 < n && text.at(i + 1).isLowSurrogate());
    if (ch.isLowSurrogate())
        return !(i > 0 && text.at(i - 1).isHighSurrogate());
    // A literal "_x0041_" must not read back as "A".
    return u == '_' && escapeAt(text, i) >= 0;
}

QString Cell::encodeEscapes(const QString &text)
{
    const int n = text.size();
    int first = 0;
    while (first < n && !needsEscape(text, first))
        ++first;
    if (first == n)
        return text;   // the common case: nothing to encode, nothing copied
    QString out;
    out.reserve(n + 8);
    out.append(text.constData(), first);
    for (int i = first; i < n; ++i) {
        if (needsEscape(text, i))
            out += QLatin1String("_x") + QString::number(text.at(i).unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper()
                   + QLatin1Char('_');
        else
            out.append(text.at(i));
    }
    return out;
}

}
