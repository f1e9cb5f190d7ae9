#pragma once

#include <atomic>

// Every wait of the transducer link, and of the simulator that stands in for the transducer,
// kept in one place. The defaults are the transducer's; tests may shorten them and must
// call restoreDefaults() afterwards. Atomic, since the worker and the simulator read them
// from their own threads.
class QiroTimings
{
public:
    static constexpr int DefaultAnswerWaitMs = 1500;
    static constexpr int DefaultIdleSleepMs = 100;
    static constexpr int DefaultTableAccessPauseMs = 500;
    static constexpr int DefaultTableCommitPauseMs = 1000;
    static constexpr int DefaultAveragePauseMs = 1000;
    static constexpr int DefaultSimulatorReplyDelayMs = 5;
    static constexpr int DefaultSimulatorChunkDelayMs = 300;

    // How long the channel waits for the next bytes of an answer.
    static inline std::atomic<int> answerWaitMs{DefaultAnswerWaitMs};
    // The worker's idle turn.
    static inline std::atomic<int> idleSleepMs{DefaultIdleSleepMs};
    // After opening the calibration table for writing, and after committing it.
    static inline std::atomic<int> tableAccessPauseMs{DefaultTableAccessPauseMs};
    static inline std::atomic<int> tableCommitPauseMs{DefaultTableCommitPauseMs};
    // Between the readings that the zero trim averages.
    static inline std::atomic<int> averagePauseMs{DefaultAveragePauseMs};
    // The simulated transducer's think time before it answers.
    static inline std::atomic<int> simulatorReplyDelayMs{DefaultSimulatorReplyDelayMs};
    // The pause between the pieces of an answer that the simulator splits; must stay
    // below answerWaitMs, or the channel takes the pause for the end of the answer.
    static inline std::atomic<int> simulatorChunkDelayMs{DefaultSimulatorChunkDelayMs};

    static void restoreDefaults();
};
