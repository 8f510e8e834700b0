#pragma once
// When the recording and test commands are enabled. A recording is "started" from its start
// until it stops (paused included) and "runs" while started and not paused.

struct RecordingCommandState {
    bool bAvailable = false; // the recording area is plugged in
    bool bHasID = false;     // an e-script with an ID is loaded
    bool bStarted = false;
    bool bRunning = false;
};

// 32850 (start with filtering), 32792 (without filtering), 32812 (stop), 32880 (test); false
// for any other command.
[[nodiscard]] bool RecordingCommandEnabled(int nCommand, const RecordingCommandState& state);
