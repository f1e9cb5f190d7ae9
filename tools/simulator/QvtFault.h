#pragma once

#include <QByteArray>

// One scripted fault of the simulated transducer. Queued faults are taken in order: each
// request (with a good frame) takes the first one whose command and parameter (and data, when
// given) match it. A request answered with silence or an error is not acted on.
struct QvtFault
{
    enum Kind {
        Silence,            // no answer at all
        BytesBeforeAnswer,  // bytes, then the answer
        BadChecksum,        // the checksum is one off
        DeviceError,        // "$" and the code, with a good checksum
        WrongDataSize,      // value bytes more (or fewer, when negative) in the data field
        SplitAnswer,        // the answer in value pieces, the chunk delay apart
        JunkAfterCr,        // the answer, then bytes a chunk delay later
        Flood,              // value bytes without any CR, instead of the answer
        OtherAddress,       // the answer carries address value
        ReplaceAnswer       // bytes instead of the answer, as they stand
    };

    Kind kind = Silence;
    int value = 0;
    QByteArray bytes;
    // -1 matches every command or parameter.
    int command = -1;
    int parameter = -1;
    // Matches only a write carrying these bytes, when set.
    bool anyData = true;
    QByteArray data;

    static QvtFault silence() { return make(Silence, 0); }
    static QvtFault bytesBeforeAnswer(const QByteArray &bytes) { return make(BytesBeforeAnswer, 0, bytes); }
    static QvtFault badChecksum() { return make(BadChecksum, 0); }
    static QvtFault deviceError(int code) { return make(DeviceError, code); }
    static QvtFault wrongDataSize(int delta) { return make(WrongDataSize, delta); }
    static QvtFault splitAnswer(int pieces) { return make(SplitAnswer, pieces); }
    static QvtFault junkAfterCr(const QByteArray &bytes) { return make(JunkAfterCr, 0, bytes); }
    static QvtFault flood(int count, char byte = 'A') { return make(Flood, count, QByteArray(1, byte)); }
    static QvtFault otherAddress(int address) { return make(OtherAddress, address); }
    static QvtFault replaceAnswer(const QByteArray &bytes) { return make(ReplaceAnswer, 0, bytes); }

    // Restricts the fault to one command, and to one parameter of it.
    QvtFault on(int command, int parameter = -1) const
    {
        QvtFault f = *this;
        f.command = command;
        f.parameter = parameter;
        return f;
    }

    // Restricts the fault to the write of these bytes: the closing write of a value, say,
    // not the opening one.
    QvtFault carrying(const QByteArray &bytes) const
    {
        QvtFault f = *this;
        f.anyData = false;
        f.data = bytes;
        return f;
    }

    bool matches(int requestCommand, int requestParameter, const QByteArray &requestData = QByteArray()) const
    {
        return (command < 0 || command == requestCommand)
            && (parameter < 0 || parameter == requestParameter)
            && (anyData || data == requestData);
    }

private:
    static QvtFault make(Kind kind, int value, const QByteArray &bytes = QByteArray())
    {
        QvtFault f;
        f.kind = kind;
        f.value = value;
        f.bytes = bytes;
        return f;
    }
};
