#include "QvtTransducerState.h"

#include <cmath>

double QvtTransducerState::readingAt(double seconds) const
{
    double value = pressure + zeroCoefficient;
    if (pressureAmplitude != 0.0 && pressurePeriodSeconds > 0.0)
        value += pressureAmplitude * std::sin(2.0 * M_PI * seconds / pressurePeriodSeconds);
    return value;
}

const QByteArray QvtTransducerState::GarbageAnswer = QByteArray("!\x8F#?~%\xFE*&\r");

bool QvtTransducerState::answerModeHolds(double seconds) const
{
    return answerMode != AnswerMode::Normal && (answerModeUntil < 0.0 || seconds < answerModeUntil);
}

bool QvtTransducerState::takeAnswerModeFault(double seconds, QvtFault *fault)
{
    if (!answerModeHolds(seconds)) {
        setAnswerMode(AnswerMode::Normal);
        return false;
    }
    switch (answerMode) {
    case AnswerMode::Normal:
        return false;
    case AnswerMode::Silent:
        *fault = QvtFault::silence();
        break;
    case AnswerMode::Garbage:
        *fault = QvtFault::replaceAnswer(GarbageAnswer);
        break;
    case AnswerMode::BadChecksum:
        *fault = QvtFault::badChecksum();
        break;
    case AnswerMode::DeviceError:
        *fault = QvtFault::deviceError(answerModeCode);
        break;
    }
    if (answerModeRequests > 0 && --answerModeRequests == 0)
        setAnswerMode(AnswerMode::Normal);
    return true;
}

void QvtTransducerState::setAnswerMode(AnswerMode mode, int code, int requests, double until)
{
    answerMode = mode;
    answerModeCode = code;
    answerModeRequests = requests;
    answerModeUntil = until;
}
