#include "Parameters/IniText.h"

#include <QFile>
#include <QSettings>
#include <QTextCodec>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A key as the INI reader unescapes it: "%XX" and "%UXXXX" codes, "\" for "/".
QString unescapeKey(const QByteArray &raw)
{
    QString key;
    int i = 0;
    while (i < raw.size()) {
        const char c = raw.at(i);
        if (c == '\\') {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c == '%' && i + 1 < raw.size()) {
            const bool wide = raw.at(i + 1) == 'U';
            const int first = i + (wide ? 2 : 1);
            const int digits = wide ? 4 : 2;
            int code = 0;
            bool ok = first + digits <= raw.size();
            for (int d = 0; ok && d < digits; ++d) {
                const int v = hexValue(raw.at(first + d));
                ok = v >= 0;
                code = code * 16 + v;
            }
            if (ok) {
                key += QChar(static_cast<ushort>(code));
                i = first + digits;
                continue;
            }
        }
        key += QLatin1Char(c);
        ++i;
    }
    return key;
}

// The escapes of the INI format, a comma outside quotes kept as a comma.
QString unescapeWhole(const QByteArray &v, QTextCodec *codec)
{
    static const char simple[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'},  {'n', '\n'},
                                     {'r', '\r'}, {'t', '\t'}, {'v', '\v'},  {'"', '"'},
                                     {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QString out;
    bool inQuotes = false;
    bool lastQuoted = false;
    const int n = v.size();
    int i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(v.at(i)))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        const char c = v.at(i);
        if (c == '\\') {
            if (++i >= n)
                break;
            const char e = v.at(i++);
            bool done = false;
            for (const auto &pair : simple) {
                if (e == pair[0]) {
                    out += QLatin1Char(pair[1]);
                    done = true;
                    break;
                }
            }
            if (done)
                continue;
            if (e == 'x' && i < n && hexValue(v.at(i)) >= 0) {
                uint code = 0;
                while (i < n && hexValue(v.at(i)) >= 0)
                    code = code * 16 + static_cast<uint>(hexValue(v.at(i++)));
                out += QChar(static_cast<ushort>(code));
            } else if (e >= '0' && e <= '7') {
                uint code = static_cast<uint>(e - '0');
                while (i < n && v.at(i) >= '0' && v.at(i) <= '7')
                    code = code * 8 + static_cast<uint>(v.at(i++) - '0');
                out += QChar(static_cast<ushort>(code));
            } else if (isLineEnd(e)) {
                // A continued line; CR LF and LF CR are one line end.
                if (i < n && isLineEnd(v.at(i)) && v.at(i) != e)
                    ++i;
            }
            // Any other escaped character is dropped, as the INI reader drops it.
            continue;
        }
        if (c == '"') {
            ++i;
            lastQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            continue;
        }
        if (c == ',' && !inQuotes) {
            out += QLatin1Char(',');
            lastQuoted = false;
            ++i;
            continue;
        }
        int j = i + 1;
        while (j < n && v.at(j) != '\\' && v.at(j) != '"' && v.at(j) != ',')
            ++j;
        out += codec ? codec->toUnicode(v.constData() + i, j - i) : QString::fromLatin1(v.constData() + i, j - i);
        i = j;
    }
    if (!lastQuoted) {
        while (!out.isEmpty() && (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char('\t'))))
            out.chop(1);
    }
    return out;
}

} // namespace

QString iniTextAsWritten(const QSettings &settings, const QString &key, bool *found)
{
    *found = false;
    QFile file(settings.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray data = file.readAll();
    QTextCodec *codec = settings.iniCodec();
    int pos = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        codec = QTextCodec::codecForName("UTF-8");
        pos = 3;
    }

    // Lines as the INI reader splits them: a line ends at CR or LF outside quotes, a backslash
    // takes the next character with it, and ";" outside quotes starts a comment. The keys
    // before any section and those of [General] are the flat keys; the last one of a name wins.
    QByteArray value;
    bool general = true;
    const int size = data.size();
    while (pos < size) {
        while (pos < size && (isBlank(data.at(pos)) || isLineEnd(data.at(pos))))
            ++pos;
        if (pos >= size)
            break;
        if (data.at(pos) == ';') {
            while (pos < size && !isLineEnd(data.at(pos)))
                ++pos;
            continue;
        }
        const int start = pos;
        int equals = -1;
        bool inQuotes = false;
        while (pos < size) {
            const char c = data.at(pos);
            if (c == '=') {
                if (!inQuotes && equals < 0)
                    equals = pos;
            } else if (isLineEnd(c) || c == ';') {
                if (!inQuotes)
                    break;
            } else if (c == '\\') {
                if (pos + 1 < size) {
                    ++pos;
                    const char e = data.at(pos);
                    if (pos + 1 < size && isLineEnd(e) && isLineEnd(data.at(pos + 1)) && data.at(pos + 1) != e)
                        ++pos;
                }
            } else if (c == '"') {
                inQuotes = !inQuotes;
            }
            ++pos;
        }
        const int end = pos;
        if (data.at(start) == '[') {
            const int close = data.indexOf(']', start);
            const QByteArray section =
                data.mid(start + 1, (close < 0 || close >= end ? end : close) - start - 1).trimmed();
            general = section.compare("general", Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!general || equals < 0)
            continue;
        int keyEnd = equals;
        while (keyEnd > start && isBlank(data.at(keyEnd - 1)))
            --keyEnd;
        if (unescapeKey(data.mid(start, keyEnd - start)) == key) {
            value = data.mid(equals + 1, end - equals - 1);
            *found = true;
        }
    }
    return *found ? unescapeWhole(value, codec) : QString();
}
