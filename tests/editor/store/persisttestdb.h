#pragma once
// A database for one persistence test: a temporary embedded store or the wire-protocol test
// database, seeded from Extended JSON and read back as stored.

#include "mongodb.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

enum class TestBackend { Embedded, Wire };

std::string BackendName(TestBackend backend);
// The backends every persistence test runs against.
std::vector<TestBackend> PersistBackends();

class CScriptObj;

// Loading leaves URL flags 0; the conditional-script views derive them from the URL text
// before a save (flexible condition, or a variable in the address). Does the same, so that a
// loaded e-script can be saved without the views.
void DeriveConditionalFlags(CScriptObj& script);

// Options of the wire test database; ignored by the embedded store.
struct PersistTestOptions {
    int dropAfterUpdates = -1; // drop the connection after this many updates
};

class PersistTestDb {
public:
    explicit PersistTestDb(TestBackend backend, PersistTestOptions options = PersistTestOptions());
    ~PersistTestDb();
    PersistTestDb(const PersistTestDb&) = delete;
    PersistTestDb& operator=(const PersistTestDb&) = delete;

    [[nodiscard]] bool IsReady() const { return m_bReady; }
    [[nodiscard]] const QString& SetupError() const { return m_strError; }
    CMongoDB& Db() { return *m_db; }

    // Inserts one e-script document (Extended JSON); fails the test on error.
    void InsertEScript(const QString& json);
    // The stored e-script, or an empty record when there is none.
    CMDBRecord FetchEScript(const QString& id);
    // Commands of the given name the wire test database received, oldest first (none for the
    // embedded store).
    [[nodiscard]] std::vector<CMDBRecord> LoggedCommands(const QString& name) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    std::unique_ptr<CMongoDB> m_db;
    bool m_bReady = false;
    QString m_strError;
};
