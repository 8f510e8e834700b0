#pragma once
// The document: the one owner of the e-script under edit. It holds the e-script-wide values
// (identity, root URL, logon, domains, flexible parameters), the modified flag and the state
// of the root URL, loads and saves through the store, and keeps unsaved changes in a recovery
// file while the e-script is modified. The scripts' rows live in the views; the document
// reaches them through the collector the tab view installs.

#include "scriptmodel.h"
#include "scriptsave.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

class CMongoDB;

enum class DocLoadStatus { Loaded, NotFound, Failed };

class CXALScripEditDoc final : public QObject {
    Q_OBJECT
public:
    // Adds the scripts (and what they carry: flexible parameters in use) to a collected e-script.
    using ScriptCollector = std::function<void(CScriptObj&)>;

    explicit CXALScripEditDoc(QObject* parent = nullptr);
    ~CXALScripEditDoc() override;
    Q_DISABLE_COPY_MOVE(CXALScripEditDoc)

    // --- load and save ---
    // Reads e-script id into script (for the views) and takes over its values.
    DocLoadStatus Load(CMongoDB& db, const QString& id, CScriptObj& script, QString* error);
    // Takes over the e-script-wide values of script. With recovered set the loaded root URL
    // stays (a different root counts as changed) and the e-script becomes modified.
    void SetFromScript(const CScriptObj& script, bool recovered = false);
    // The whole e-script: the values held here plus what the collector adds.
    void CollectScript(CScriptObj& script) const;
    // Collects and saves. On success the root URL counts as loaded, the e-script is no longer
    // modified and its recovery file is gone; on failure it stays modified. saved, when given,
    // receives the collected e-script.
    ScriptSaveResult Save(CMongoDB& db, CScriptObj* saved = nullptr);
    // After another program (the properties dialog) stored values: takes back the logon values,
    // the domain lists (available domains found since the last save stay) and the title.
    bool TakeStoredProperties(CMongoDB& db);
    // When the stored e-script was last saved; invalid when unknown.
    [[nodiscard]] QDateTime StoredLastChanged(CMongoDB& db) const;
    void SetScriptCollector(ScriptCollector collector) { m_collector = std::move(collector); }

    // --- values ---
    [[nodiscard]] const QString& XalID() const { return m_strID; }
    void SetXalID(const QString& id) { m_strID = id; }
    [[nodiscard]] const QString& Title() const { return m_strTitle; }
    // The root URL as stored (it may lack the protocol).
    [[nodiscard]] const QString& RootURL() const { return m_strRootURL; }
    [[nodiscard]] const QString& LoadedRootURL() const { return m_strLoadedRootURL; }
    // The root URL in effect: a changed one when there is one, always with a protocol.
    [[nodiscard]] QString EffectiveRootURL() const;
    [[nodiscard]] const QString& NewRootURL() const { return m_strNewRootURL; }
    [[nodiscard]] bool IsRootChanged() const { return m_bRootChanged; }
    // The main script's root URL changed: written with the next save.
    void SetRootURL(const QString& rootURL);
    [[nodiscard]] const QString& Server() const { return m_strServer; }
    [[nodiscard]] int InternetProtocol() const { return m_nInternetProtocol; }
    [[nodiscard]] int Port() const { return m_nPort; }
    [[nodiscard]] const QString& LogonUser() const { return m_strLogonUser; }
    [[nodiscard]] const QString& LogonPW() const { return m_strLogonPW; }
    void SetLogon(const QString& user, const QString& password);
    [[nodiscard]] const QStringList& AvailableDomains() const { return m_lstDomainAvailable; }
    void AddAvailableDomain(const QString& server);
    void SetAvailableDomains(const QStringList& domains);
    [[nodiscard]] const QStringList& Domains() const { return m_lstDomain; }
    void SetDomains(const QStringList& domains);
    // Available domains of the e-script as last loaded or saved (the domain question).
    [[nodiscard]] const QStringList& RememberedDomains() const { return m_lstDomainRemembered; }
    void SetRememberedDomains(const QStringList& domains) { m_lstDomainRemembered = domains; }

    // --- flexible parameters ---
    [[nodiscard]] const std::vector<CFindReplaceObj>& FlexibleParameters() const {
        return m_lstFlexibleParameters;
    }
    // Number the next new placeholder gets.
    [[nodiscard]] int FlexibleCount() const { return m_nFlexibleCount; }
    void SetFlexibleCount(int count);
    void AddFlexibleParameter(const QString& parameter, const QString& variable);
    // The whole list and count at once (undo and redo).
    void SetFlexibleParameters(std::vector<CFindReplaceObj> parameters, int count);
    void RemoveFlexibleParameter(const QString& variable);
    // Renames every entry that stands for placeholder oldName.
    void RenameFlexibleParameter(const QString& oldName, const QString& newName);
    // Stored fields the editor does not know of the list entry for variable; empty when none.
    [[nodiscard]] QByteArray FlexibleExtraFields(const QString& variable) const;

    // --- state ---
    [[nodiscard]] bool IsLoaded() const { return m_bLoaded; }
    void SetLoaded(bool loaded) { m_bLoaded = loaded; }
    [[nodiscard]] bool IsModified() const { return m_bModified; }
    void SetModified(bool modified = true);

    // --- recovery ---
    // Folder of the recovery files; empty (the default) keeps none.
    void SetRecoveryFolder(const QString& folder) { m_strRecoveryFolder = folder; }
    [[nodiscard]] QString RecoveryFilePath() const;
    // Writes the collected e-script now. False (with the cause) when it could not be written.
    bool WriteRecovery(QString* error = nullptr);
    [[nodiscard]] bool HasRecovery() const;
    [[nodiscard]] QDateTime RecoveryTime() const;
    // Reads the kept e-script; false (with the cause) when the file is unreadable.
    bool ReadRecovery(CScriptObj& script, QString* error = nullptr) const;
    void RemoveRecovery();

signals:
    void ModifiedChanged(bool modified);
    void TitleChanged(const QString& title);
    // Any e-script-wide value changed.
    void Changed();

private:
    void OnRecoveryTimer();

    QString m_strID;
    QString m_strTitle;
    QString m_strRootURL;
    QString m_strLoadedRootURL;
    QString m_strNewRootURL;
    bool m_bRootChanged = false;
    QString m_strServer;
    int m_nInternetProtocol = kProtocolHttp;
    int m_nPort = 0;
    QString m_strLogonUser;
    QString m_strLogonPW;
    QStringList m_lstDomainAvailable;
    QStringList m_lstDomain;
    QStringList m_lstDomainRemembered;
    std::vector<CFindReplaceObj> m_lstFlexibleParameters;
    int m_nFlexibleCount = 0;
    bool m_bLoaded = false;
    bool m_bModified = false;

    ScriptCollector m_collector;
    QString m_strRecoveryFolder;
    QTimer m_recoveryTimer;
};

// The user's folder for recovery files: $XDG_STATE_HOME/xal/recovery, without it
// ~/.local/state/xal/recovery.
[[nodiscard]] QString DefaultRecoveryFolder();
