#include "persisttestdb.h"

#include "escriptlayout.h"
#include "scriptmodel.h"
#include "testmongoserver.h"

#include <gtest/gtest.h>

std::string BackendName(TestBackend backend) {
    return backend == TestBackend::Embedded ? "Embedded" : "Wire";
}

std::vector<TestBackend> PersistBackends() {
    return {TestBackend::Embedded, TestBackend::Wire};
}

void DeriveConditionalFlags(CScriptObj& script) {
    for (CSubscriptObj& sub : script.m_lstScripts) {
        if (sub.m_nKind == 0) {
            continue;
        }
        for (CURLObj& url : sub.m_lstURLs) {
            const QString label = url.m_strURL;
            if (label.contains(QLatin1Char('*')) ||
                label.contains(QStringLiteral("_XALURL_CONDITION_TEMPLATE_"))) {
                url.m_nFlags = 0x20000;
            } else if (label.contains(QStringLiteral("_XALURL_"))) {
                url.m_nFlags = 9999;
            } else {
                url.m_nFlags = 0;
            }
        }
    }
}

struct PersistTestDb::Impl {
    std::unique_ptr<xal::test::TemporaryEmbeddedStore> embedded;
    std::unique_ptr<xal::test::TestMongoServer> wire;
};

PersistTestDb::PersistTestDb(TestBackend backend, PersistTestOptions options)
    : d(std::make_unique<Impl>()) {
    QString server;
    if (backend == TestBackend::Embedded) {
        d->embedded = std::make_unique<xal::test::TemporaryEmbeddedStore>();
        server = d->embedded->ServerText();
    } else {
        xal::test::TestMongoServerOptions wireOptions;
        wireOptions.dropAfterUpdates = options.dropAfterUpdates;
        d->wire = std::make_unique<xal::test::TestMongoServer>(wireOptions);
        if (!d->wire->Start(&m_strError)) {
            return;
        }
        server = d->wire->ServerText();
    }
    m_db = std::make_unique<CMongoDB>(server, QString());
    m_bReady = m_db->Connect(m_strError);
}

PersistTestDb::~PersistTestDb() {
    m_db.reset(); // before the server it talks to goes away
}

void PersistTestDb::InsertEScript(const QString& json) {
    CMDBRecord doc;
    QString error;
    ASSERT_TRUE(CMDBRecord::FromJson(json, doc, &error)) << error.toStdString();
    ASSERT_TRUE(m_db->Insert(escript::kNsEScript, doc)) << m_db->GetLastError().toStdString();
}

CMDBRecord PersistTestDb::FetchEScript(const QString& id) {
    CMDBRecord out;
    m_db->SeekReference(escript::kNsEScript, id, out, false, nullptr);
    return out;
}

std::vector<CMDBRecord> PersistTestDb::LoggedCommands(const QString& name) const {
    std::vector<CMDBRecord> out;
    if (d->wire) {
        for (auto& command : d->wire->ReadLog(name)) {
            out.push_back(std::move(command.body));
        }
    }
    return out;
}
