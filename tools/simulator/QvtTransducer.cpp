#include "QvtTransducer.h"

#include "Devices/QiroCrc.h"

#include <QList>
#include <cctype>
#include <cstring>

namespace {

enum ErrorCode {
    CommandNotFound = 1,
    BadFormat = 2,
    ParameterNotFound = 3,
    AccessDenied = 4,
    OutOfRange = 6
};

QByteArray errorField(int code)
{
    return "$" + QByteArray::number(code);
}

const QByteArray Done = "$0";

QByteArray hexField(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

template <typename T>
QByteArray bytesOf(T value)
{
    QByteArray b(int(sizeof value), Qt::Uninitialized);
    std::memcpy(b.data(), &value, sizeof value);   // little-endian, as the transducer
    return b;
}

template <typename T>
T valueOf(const QByteArray &b)
{
    T value;
    std::memcpy(&value, b.constData(), sizeof value);
    return value;
}

bool decimal(const QByteArray &text, int *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    *value = text.toInt();
    return true;
}

bool hexNumber(const QByteArray &text, int *value)
{
    if (text.isEmpty() || text.size() > 7)
        return false;
    bool ok = false;
    *value = text.toInt(&ok, 16);
    return ok;
}

QByteArray readParameter(const QvtTransducerState &s, int parameter, double seconds)
{
    switch (parameter) {
    case 2: {
        QByteArray b(1, char(s.readingStatus));
        b += bytesOf(float(s.readingAt(seconds)));
        return hexField(b);
    }
    case 12: return hexField(QByteArray(1, char(s.decimals)));
    case 14: return hexField(QByteArray(1, char(s.averageCount)));
    case 25: return hexField(QByteArray(1, char(s.calibrationAccess)));
    case 28: return hexField(s.softwareVersion + QByteArray(1, '\0'));
    case 30: return hexField(QByteArray(1, char(s.unitsCode)));
    case 34: return hexField(bytesOf(s.zeroCoefficient));
    case 36: return hexField(bytesOf(s.modeWord));
    case 52: return hexField(bytesOf(s.upperLimit));
    case 56: return hexField(bytesOf(s.stagedZeroCoefficient));
    case 76: return hexField(bytesOf(s.lowerLimit));
    case 111: return hexField(QByteArray(1, char(s.unitsLanguage)));
    case 0x8C: return hexField(bytesOf(s.serialNumber));
    case 158: return hexField(QByteArray(1, char(s.buzzerLevel)));
    default:
        if (parameter >= 112 && parameter < 112 + QvtTransducerState::TableRows) {
            const auto &row = s.calibrationTable[size_t(parameter - 112)];
            QByteArray b;
            for (float f : row)
                b += bytesOf(f);
            return hexField(b);
        }
        return errorField(ParameterNotFound);
    }
}

// The width of a writable parameter, 0 for a read-only one, -1 for an unknown one.
int writeWidth(int parameter)
{
    switch (parameter) {
    case 12: case 14: case 25: case 30: case 111: case 158: return 1;
    case 36: return 2;
    case 34: case 52: case 56: case 76: return 4;
    case 2: case 28: case 0x8C: return 0;
    default:
        if (parameter >= 112 && parameter < 112 + QvtTransducerState::TableRows)
            return 4 * QvtTransducerState::TableColumns;
        return -1;
    }
}

QByteArray writeParameter(QvtTransducerState &s, int parameter, const QByteArray &data)
{
    const int width = writeWidth(parameter);
    if (width < 0)
        return errorField(ParameterNotFound);
    if (width == 0)
        return errorField(AccessDenied);
    if (data.size() != width)
        return errorField(BadFormat);
    const uint8_t byte = uint8_t(data.at(0));
    switch (parameter) {
    case 12: s.decimals = byte; break;
    case 14:
        if (byte == 0)
            return errorField(OutOfRange);
        s.averageCount = byte;
        break;
    case 25: s.calibrationAccess = byte; break;
    case 30:
        if (byte > 7)
            return errorField(OutOfRange);
        s.unitsCode = byte;
        break;
    case 111: s.unitsLanguage = byte; break;
    case 158:
        if (byte > 150)
            return errorField(OutOfRange);
        s.buzzerLevel = byte;
        break;
    case 36: s.modeWord = valueOf<uint16_t>(data); break;
    case 34: s.zeroCoefficient = valueOf<float>(data); break;
    case 52: s.upperLimit = valueOf<float>(data); break;
    case 56: s.stagedZeroCoefficient = valueOf<float>(data); break;
    case 76: s.lowerLimit = valueOf<float>(data); break;
    default: {
        auto &row = s.calibrationTable[size_t(parameter - 112)];
        for (int i = 0; i < QvtTransducerState::TableColumns; ++i)
            row[size_t(i)] = valueOf<float>(data.mid(4 * i, 4));
        break;
    }
    }
    return Done;
}

}

QvtTransducer::Request QvtTransducer::parseRequest(const QByteArray &frame)
{
    Request r;
    if (frame.size() < 4 || frame.at(0) != ':' || !frame.endsWith('\r'))
        return r;
    const int lastSep = frame.lastIndexOf(';');
    if (lastSep < 1)
        return r;
    int checksum = 0;
    if (!decimal(frame.mid(lastSep + 1, frame.size() - lastSep - 2), &checksum)
        || checksum != qiroCrc16(frame.constData() + 1, lastSep))
        return r;

    const QList<QByteArray> fields = frame.mid(1, lastSep - 1).split(';');
    if (fields.size() < 2 || !decimal(fields.at(0), &r.address) || !decimal(fields.at(1), &r.command))
        return r;
    if (r.command == 0) {
        r.valid = fields.size() == 2;
        return r;
    }
    if (fields.size() < 3 || !hexNumber(fields.at(2), &r.parameter))
        return r;
    if (r.command == 38) {
        if (fields.size() != 4)
            return r;
        const QByteArray &hex = fields.at(3);
        if (hex.size() % 2 != 0)
            return r;
        for (char c : hex) {
            if (!std::isxdigit(uint8_t(c)))
                return r;
        }
        r.data = QByteArray::fromHex(hex);
    } else if (fields.size() != 3) {
        return r;
    }
    r.valid = true;
    return r;
}

bool QvtTransducer::addressed(const QvtTransducerState &state, const Request &request)
{
    // Identify is answered at any address: that is how the address is learnt.
    return request.valid && (request.command == 0 || request.address == state.address);
}

QvtTransducer::Answer QvtTransducer::respond(QvtTransducerState &state, const Request &request,
                                             double seconds)
{
    Answer a;
    a.address = state.address;
    if (!addressed(state, request)) {
        a.silent = true;
        return a;
    }
    if (request.command == 0) {
        a.hasField = state.deviceType >= 0;
        a.field = QByteArray::number(state.deviceType);
        return a;
    }
    switch (request.command) {
    case 37: a.field = readParameter(state, request.parameter, seconds); break;
    case 38: a.field = writeParameter(state, request.parameter, request.data); break;
    case 199:
        if (request.parameter == 165) {
            ++state.tableCommits;
            a.field = Done;
        } else {
            a.field = errorField(ParameterNotFound);
        }
        break;
    default: a.field = errorField(CommandNotFound); break;
    }
    return a;
}

QByteArray QvtTransducer::frameAnswer(const Answer &answer, int checksumOffset)
{
    QByteArray body = "!" + QByteArray::number(answer.address) + ";";
    if (answer.hasField)
        body += answer.field + ";";
    const uint16_t crc = uint16_t(qiroCrc16(body.constData() + 1, body.size() - 1) + checksumOffset);
    return body + QByteArray::number(crc) + "\r";
}
