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

QString Cell::encodeEscapes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        const ushort u = ch.unicode();
        bool escape = false;
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            escape = true;
        else if (u == 0xFFFE || u == 0xFFFF)
            escape = true;
        else if (ch.isHighSurrogate())
            escape = !(i + 1 < n && text.at(i + 1).isLowSurrogate());
        else if (ch.isLowSurrogate())
            escape = !(i > 0 && text.at(i - 1).isHighSurrogate());
        else if (u == '_' && escapeAt(text, i) >= 0)
            escape = true;   // a literal "_x0041_" must not read back as "A"
        if (escape)
            out += QLatin1String("_x") + QString::number(u, 16).rightJustified(4, QLatin1Char('0')).toUpper()
                   + QLatin1Char('_');
        else
            out.append(ch);
    }
    return out;
}

}
