#include "scripttest.h"

#include "admtools.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"
#include "xaltools.h"

CScriptTestRun RunScriptTest(CMongoDB* db, const QString& xalID, const CScriptObj& script,
                             const QString& xalServer,
                             const std::function<void(const QString&)>& openAddress) {
    CScriptTestRun run;
    if (xalID.isEmpty())
        return run;
    // Reserves the ID (a placeholder document) and removes copies older than 30 minutes.
    XALTCreateFreeTestID(run.strTestID);

    CTestAddData addData;
    if (db) {
        LoadTestAddData(*db, addData, xalID);
        QString accountID = run.strTestID;
        bool rootChanged = false;
        const QString noRoot;
        run.bSaved = SaveScript(*db, ScriptSaveAccount{accountID, rootChanged, noRoot}, script,
                                true, &addData)
                         .Succeeded();
    }

    if (script.m_lstScripts.empty() || script.m_lstScripts.front().m_lstURLs.empty())
        return run;
    // Always plain http to the suite's proxy server, whatever the e-script's protocol.
    run.strAddress =
        CAdmTools::GetProtocolPrefix(xalServer, 0) + QStringLiteral("/xal/") + run.strTestID;
    QJTrace(6, QString::fromUtf16(kTraceSource),
            QJTraceFormat(QStringLiteral("Test URL: '%s'"), {run.strAddress}));
    if (openAddress)
        openAddress(run.strAddress);
    return run;
}
