#include "Devices/QiroTimings.h"

void QiroTimings::restoreDefaults()
{
    answerWaitMs = DefaultAnswerWaitMs;
    idleSleepMs = DefaultIdleSleepMs;
    tableAccessPauseMs = DefaultTableAccessPauseMs;
    tableCommitPauseMs = DefaultTableCommitPauseMs;
    averagePauseMs = DefaultAveragePauseMs;
    simulatorReplyDelayMs = DefaultSimulatorReplyDelayMs;
    simulatorChunkDelayMs = DefaultSimulatorChunkDelayMs;
}
