#pragma once
// Writing an e-script into its document of xaldata.escript, field by field.
//
// The save never replaces the document: it sends a fixed sequence of acknowledged $set/$unset
// updates for the document with the account's _id (upsert off), so fields written by other
// programs of the suite survive. The sequence is
//   1 domain lists, lastchanged, logon user and password   2 logon user ($unset when empty)
//   3 logon password ($unset when empty)                   4 test-copy fields (test mode only)
//   5 urlparameter ($unset when empty)                     6 urls (the main script)
//   7 subscripts ($unset when none)                        8 root URL (when it changed)
// There is no transaction. When an update fails the save stops there and says so in its
// result; the updates before it stay applied, and saving again converges to the full document.
// No exception leaves SaveScript.

#include <QString>

class CMongoDB;
class CScriptObj;
class CTestAddData;

// The account fields the save reads and changes (the application's account object owns them).
struct ScriptSaveAccount {
    QString& m_strAccountID;        // lower-cased in place
    bool& m_bRootChanged;           // cleared once the root URL was written
    const QString& m_strNewRootURL; // written when m_bRootChanged is set
};

enum class ScriptSaveStatus {
    Saved,           // every update was acknowledged
    DocumentMissing, // no document with that _id: nothing was written (none is created)
    Failed           // an update (or the session) failed; see the error text
};

struct ScriptSaveResult {
    ScriptSaveStatus m_status = ScriptSaveStatus::Saved;
    int m_nUpdatesApplied = 0; // acknowledged updates before the failure
    int m_nErrorCode = 0;      // the wrapper's error code, when it gave one
    QString m_strError;        // cause of a failure, for the user

    [[nodiscard]] bool Succeeded() const { return m_status == ScriptSaveStatus::Saved; }
};

// In test mode with testData given, the fields of a test copy are written as well (update 4).
// A parameter whose m_strRawValue is empty while m_strValue is not is stored with m_strValue,
// so a tree that did not come through the views cannot blank stored values.
[[nodiscard]] ScriptSaveResult SaveScript(CMongoDB& db, ScriptSaveAccount account,
                                          const CScriptObj& script, bool testMode,
                                          const CTestAddData* testData);

class CMDBRecord;

// The whole e-script as one document of xaldata.escript, in the layout the save writes
// (without lastchanged and the fields of a test copy), with rootUrl as its root URL. Used
// where the e-script must be kept outside the database, e.g. for crash recovery.
[[nodiscard]] CMDBRecord BuildScriptDocument(const CScriptObj& script, const QString& rootUrl);
