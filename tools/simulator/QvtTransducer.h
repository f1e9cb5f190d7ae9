#pragma once

#include "QvtTransducerState.h"

#include <QByteArray>
#include <cstdint>

// The transducer's side of QIRO, without any port: parses a request frame, acts on the
// state and gives the answer. Pure logic, so that the simulator and the tests share it.
class QvtTransducer
{
public:
    struct Request
    {
        bool valid = false;   // a complete frame with a good checksum
        int address = 0;
        int command = 0;
        int parameter = -1;   // -1 when the frame has none (identify)
        QByteArray data;      // decoded data of a write
    };

    struct Answer
    {
        bool silent = false;  // the request is not for this transducer
        int address = 0;
        bool hasField = true; // an identify answer of a transducer without type has none
        QByteArray field;     // type, hexadecimal data or "$" and an error code
    };

    // frame: from ":" up to and including CR.
    static Request parseRequest(const QByteArray &frame);
    // Whether the transducer hears the request at all: a good frame, at its address (identify
    // at any). Another is answered silent and acted on by no one.
    static bool addressed(const QvtTransducerState &state, const Request &request);
    // Acts on the state; seconds is the time since the simulator started.
    static Answer respond(QvtTransducerState &state, const Request &request, double seconds);
    // "!" address ";" [field ";"] checksum CR, the checksum shifted by checksumOffset.
    static QByteArray frameAnswer(const Answer &answer, int checksumOffset = 0);
};
