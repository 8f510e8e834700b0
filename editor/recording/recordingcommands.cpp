#include "recordingcommands.h"

#include "commandids.h"

bool RecordingCommandEnabled(int nCommand, const RecordingCommandState& state) {
    if (!state.bAvailable)
        return false;
    switch (nCommand) {
    case XalCmd::RecordStart:
        return state.bHasID && !state.bStarted;
    case XalCmd::RecordStartUnfiltered:
        // Chosen while a recording is started, it records anew without filtering.
        return state.bHasID;
    case XalCmd::RecordStop:
        return state.bStarted;
    case XalCmd::Test:
        // A paused recording does not block a test.
        return state.bHasID && !state.bRunning;
    default:
        return false;
    }
}
