#pragma once
// Writing an e-script into its document of xaldata.escript.
//
// The save never replaces the document: it sends one acknowledged update of the document with
// the account's _id (upsert off) holding every $set and $unset, so fields written by other
// programs of the suite survive and the stores apply the whole change or none of it. The fields
// are, in order: domain lists, lastchanged, logon user and password ($unset when empty),
// test-copy fields (test mode only), urlparameter ($unset when empty), urls (the main script),
// subscripts ($unset when none), root URL with server, protocol and port (when it changed).
// Fields the load kept on an element (m_baExtraFields) follow the element's own fields. A script
// the load marked not savable (m_strNotSavable) is refused with that text, nothing is sent.
// A change that would not fit into a stored document is refused before anything is sent.
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
    Saved,           // the update was acknowledged
    DocumentMissing, // no document with that _id: nothing was written (none is created)
    Failed           // the update (or the session) failed, nothing was written; see the text
};

struct ScriptSaveResult {
    ScriptSaveStatus m_status = ScriptSaveStatus::Saved;
    int m_nUpdatesApplied = 0; // 1 once the update was acknowledged, else 0
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
