#include "Devices/QiroTimings.h"

void QiroTimings::restoreDefaults()
{
    answerWaitMs = DefaultAnswerWaitMs;
    idleSleepMs = DefaultIdleSleepMs;
    tableAccessPauseMs = DefaultTableAccessPauseMs;
    tableCommitPauseMs = DefaultTableCommitPauseMs;
    simulatorReplyDelayMs = DefaultSimulatorReplyDelayMs;
    simulatorChunkDelayMs = DefaultSimulatorChunkDelayMs;
}
