#pragma once
// The editor's one database session: the connection settings of the suite, the CMongoDB
// object built from them, and opening and re-opening it.

#include "dbaccess.h"

#include <QString>

#include <functional>
#include <memory>

class CMongoDB;

// Source of the settings; false, with the reason in problem, when no server is configured.
using DbSettingsSource = std::function<bool(CMDBAccess&, QString& problem)>;

// The suite's access configuration, read through the tools library.
bool ReadDbSettingsFromTools(CMDBAccess& settings, QString& problem);

class CDatabaseSession {
public:
    explicit CDatabaseSession(DbSettingsSource source);
    ~CDatabaseSession();
    CDatabaseSession(const CDatabaseSession&) = delete;
    CDatabaseSession& operator=(const CDatabaseSession&) = delete;

    // Reads the settings, creates the session object and connects (authenticating against
    // "admin" when a user is configured).
    bool Open();
    // Connects the existing session again; false without one.
    bool Reopen();

    [[nodiscard]] CMongoDB* Database() const { return m_pDatabase.get(); }
    [[nodiscard]] const QString& Server() const { return m_access.server; }
    [[nodiscard]] const QString& User() const { return m_access.user; }
    // Why the last Open or Reopen failed (for the trace; the user sees string 148).
    [[nodiscard]] const QString& LastError() const { return m_strLastError; }

private:
    DbSettingsSource m_source;
    CMDBAccess m_access; // the set stays empty: the editor's session runs without one
    std::unique_ptr<CMongoDB> m_pDatabase;
    QString m_strLastError;
};
