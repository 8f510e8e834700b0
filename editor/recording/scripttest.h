#pragma once
// "Test e-script": stores the e-script being edited (unsaved changes included) as a test copy
// under a fresh test ID and opens the proxy's test address for it. The stored e-script itself
// is not touched; the copy expires by itself (XalTools removes stale copies).

#include <QString>

#include <functional>

class CMongoDB;
class CScriptObj;

struct CScriptTestRun {
    QString strTestID;  // empty when no ID could be reserved
    QString strAddress; // empty when the main script has no URL (nothing was opened)
    bool bSaved = false;
};

// script: gathered from the views. db may be null (no session): the run goes on without
// writing. openAddress opens the address in the browser; its result is not used.
CScriptTestRun RunScriptTest(CMongoDB* db, const QString& xalID, const CScriptObj& script,
                             const QString& xalServer,
                             const std::function<void(const QString&)>& openAddress);
