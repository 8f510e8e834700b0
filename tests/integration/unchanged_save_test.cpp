// The whole way an e-script takes in the editor, without a change: stored document -> load ->
// rows of the tab view -> collected e-script -> save. The stored document must come out exactly
// as it went in, apart from the time of the last change, on both database backends.

#include "fakehost.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptsave.h"
#include "testmongoserver.h"
#include "xalscripteditview.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QString kEscripts = QStringLiteral("xaldata.escript");

std::vector<CMDBRecord> SampleDocuments() {
    QFile file(QStringLiteral(XAL_SAMPLES_DIR "/demo-escripts.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    // Read through the wrapper's own Extended JSON reader so that field order stays as written.
    CMDBRecord wrapper;
    QString error;
    EXPECT_TRUE(CMDBRecord::FromJson(
        QStringLiteral("{\"documents\": %1}").arg(QString::fromUtf8(file.readAll())), wrapper,
        &error))
        << error.toStdString();
    std::vector<CMDBRecord> documents;
    if (const CMDBRecord* array = wrapper.GetArrayPtr(QStringLiteral("documents"))) {
        for (int i = 0; i < array->GetCount(); ++i)
            documents.push_back(*array->GetRecordPtr(i));
    }
    return documents;
}

CMDBRecord WithoutLastChanged(CMDBRecord document) {
    document.RemoveField(QStringLiteral("lastchanged"));
    return document;
}

class UnchangedSave : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        QString server;
        if (GetParam()) {
            m_wire = std::make_unique<xal::test::TestMongoServer>();
            QString error;
            ASSERT_TRUE(m_wire->Start(&error)) << error.toStdString();
            server = m_wire->ServerText();
        } else {
            m_embedded = std::make_unique<xal::test::TemporaryEmbeddedStore>();
            server = m_embedded->ServerText();
        }
        m_db = std::make_unique<CMongoDB>(server, QString());
        QString error;
        ASSERT_TRUE(m_db->Connect(error)) << error.toStdString();
    }

    std::unique_ptr<xal::test::TemporaryEmbeddedStore> m_embedded;
    std::unique_ptr<xal::test::TestMongoServer> m_wire;
    std::unique_ptr<CMongoDB> m_db;
};

TEST_P(UnchangedSave, leaves_every_sample_document_as_it_was) {
    const std::vector<CMDBRecord> samples = SampleDocuments();
    ASSERT_GE(samples.size(), 2u);
    for (const CMDBRecord& original : samples) {
        ASSERT_TRUE(m_db->Insert(kEscripts, original)) << m_db->GetLastError().toStdString();
        const QString id = original.GetStr(QStringLiteral("_id"));
        SCOPED_TRACE(id.toStdString());

        CScriptObj loaded;
        loaded.m_strID = id;
        ASSERT_TRUE(LoadScript(*m_db, loaded));
        CFakeHost host;
        CXALScripEditView view(host, host.m_doc);
        view.SetScript(loaded);
        // The caller presets the logon values it loaded; the view overrides non-empty ones.
        CScriptObj collected;
        collected.m_strLogonUser = loaded.m_strLogonUser;
        collected.m_strLogonPW = loaded.m_strLogonPW;
        collected.m_strTitle = loaded.m_strTitle;
        view.GetScriptList(collected);

        QString accountID = id;
        bool rootChanged = false;
        const QString newRoot;
        const ScriptSaveResult saved = SaveScript(
            *m_db, ScriptSaveAccount{accountID, rootChanged, newRoot}, collected, false, nullptr);
        ASSERT_TRUE(saved.Succeeded()) << saved.m_strError.toStdString();

        CMDBRecord stored;
        ASSERT_TRUE(m_db->SeekReference(kEscripts, id, stored));
        EXPECT_TRUE(stored.HasField(QStringLiteral("lastchanged")));
        const CMDBRecord before = WithoutLastChanged(original);
        const CMDBRecord after = WithoutLastChanged(stored);
        EXPECT_EQ(after.ToBson(), before.ToBson()) << "before: " << before.ToJson().toStdString()
                                                   << "\nafter:  " << after.ToJson().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, UnchangedSave, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Wire") : std::string("Embedded");
                         });

} // namespace
