// The whole way an e-script takes in the editor, without a change: stored document -> load ->
// rows of the tab view -> collected e-script -> save. The stored document must come out exactly
// as it went in, apart from the time of the last change, on both database backends.

#include "fakehost.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptsave.h"
#include "scriptview.h"
#include "testmongoserver.h"
#include "xalscripteditview.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QString kEscripts = QStringLiteral("xaldata.escript");

QString SampleText() {
    QFile file(QStringLiteral(XAL_SAMPLES_DIR "/demo-escripts.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QString::fromUtf8(file.readAll());
}

std::vector<CMDBRecord> Documents(const QString& json) {
    // Read through the wrapper's own Extended JSON reader so that field order stays as written.
    CMDBRecord wrapper;
    QString error;
    EXPECT_TRUE(
        CMDBRecord::FromJson(QStringLiteral("{\"documents\": %1}").arg(json), wrapper, &error))
        << error.toStdString();
    std::vector<CMDBRecord> documents;
    if (const CMDBRecord* array = wrapper.GetArrayPtr(QStringLiteral("documents"))) {
        for (int i = 0; i < array->GetCount(); ++i)
            documents.push_back(*array->GetRecordPtr(i));
    }
    return documents;
}

std::vector<CMDBRecord> SampleDocuments() {
    return Documents(SampleText());
}

// The way an unchanged e-script takes through the editor up to the collected e-script.
CScriptObj CollectUnchanged(CXALScripEditView& view, const CScriptObj& loaded) {
    view.SetScript(loaded);
    // The caller presets the logon values it loaded; the view overrides non-empty ones.
    CScriptObj collected;
    collected.m_strLogonUser = loaded.m_strLogonUser;
    collected.m_strLogonPW = loaded.m_strLogonPW;
    collected.m_strTitle = loaded.m_strTitle;
    view.GetScriptList(collected);
    return collected;
}

// Puts text right before the closing of an element, found by its unique last field.
void AppendToElement(QString& json, const QString& lastField, const QString& extra) {
    EXPECT_EQ(json.count(lastField), 1) << lastField.toStdString();
    json.replace(lastField, lastField + QStringLiteral(", ") + extra);
}

// The first sample with fields the editor does not know in an element of every kind that keeps
// them: parameters, URLs and conditional scripts (each in both kinds of script), and the
// flexible-parameter list entries (one of a parameter, one of an address).
CMDBRecord DocumentWithUnknownFields() {
    QString json = SampleText();
    AppendToElement(json, QStringLiteral("\"variable\": \"_XALURL_0_\""),
                    QStringLiteral("\"x_note\": \"session\""));
    AppendToElement(json, QStringLiteral("\"variable\": \"_XALURL_1_\""),
                    QStringLiteral("\"x_note\": {\"kept\": true}"));
    AppendToElement(json, QStringLiteral("\"orgvalue\": \"en\""),
                    QStringLiteral("\"x_hint\": [1, 2]"));
    AppendToElement(json, QStringLiteral("\"orgvalue\": \"timeout\""),
                    QStringLiteral("\"x_hint\": \"cond\""));
    AppendToElement(json,
                    QStringLiteral("\"orgvalue\": \"http://static.example.net/css/portal.css\""),
                    QStringLiteral("\"x_cache\": {\"$numberLong\": \"7\"}"));
    // The last conditional script ends its URL's parameters, its URLs and itself at once.
    const QString strTail = QStringLiteral("\"orgvalue\": \"yes\"\n              }\n            ]\n"
                                           "          }\n        ]\n      }\n    ],");
    EXPECT_EQ(json.count(strTail), 1);
    json.replace(strTail, QStringLiteral("\"orgvalue\": \"yes\"}], \"x_cache\": 3}],"
                                         " \"x_owner\": \"legal\"}],"));
    std::vector<CMDBRecord> documents = Documents(json);
    return documents.empty() ? CMDBRecord() : documents.front();
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
        CScriptObj collected = CollectUnchanged(view, loaded);

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

TEST_P(UnchangedSave, keeps_unknown_fields_in_their_elements_and_with_a_moved_url) {
    const CMDBRecord original = DocumentWithUnknownFields();
    ASSERT_TRUE(m_db->Insert(kEscripts, original)) << m_db->GetLastError().toStdString();
    const QString id = original.GetStr(QStringLiteral("_id"));
    CScriptObj loaded;
    loaded.m_strID = id;
    ASSERT_TRUE(LoadScript(*m_db, loaded));
    CFakeHost host;
    CXALScripEditView view(host, host.m_doc);
    const CScriptObj collected = CollectUnchanged(view, loaded);

    QString accountID = id;
    bool rootChanged = false;
    const QString newRoot;
    const ScriptSaveResult saved = SaveScript(
        *m_db, ScriptSaveAccount{accountID, rootChanged, newRoot}, collected, false, nullptr);
    ASSERT_TRUE(saved.Succeeded()) << saved.m_strError.toStdString();
    CMDBRecord stored;
    ASSERT_TRUE(m_db->SeekReference(kEscripts, id, stored));
    const CMDBRecord before = WithoutLastChanged(original);
    const CMDBRecord after = WithoutLastChanged(stored);
    EXPECT_EQ(after.ToBson(), before.ToBson()) << "before: " << before.ToJson().toStdString()
                                               << "\nafter:  " << after.ToJson().toStdString();

    // The last URL row moved up before the second URL takes its own fields along, and the URL
    // now after it still has none.
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    int nLast = grid.GetRowCount() - 1;
    while (nLast > 0 && !grid.IsURLRow(nLast))
        --nLast;
    const int nSecond = grid.GetBlockEnd(0) + 1;
    ASSERT_LT(nSecond, nLast);
    CGridRow moved = std::move(grid.Row(nLast));
    grid.RemoveRowWithSubRows(nLast);
    ASSERT_EQ(grid.InsertURLRow(nSecond, std::move(moved)), nSecond);
    CScriptObj again;
    view.GetScriptList(again);
    ASSERT_FALSE(again.m_lstScripts.empty());
    const std::vector<CURLObj>& urls = again.m_lstScripts[0].m_lstURLs;
    const std::vector<CURLObj>& loadedURLs = loaded.m_lstScripts[0].m_lstURLs;
    ASSERT_EQ(urls.size(), loadedURLs.size());
    EXPECT_EQ(urls[1].m_strServer, loadedURLs.back().m_strServer);
    EXPECT_FALSE(urls[1].m_baExtraFields.isEmpty());
    EXPECT_EQ(urls[1].m_baExtraFields, loadedURLs.back().m_baExtraFields);
    EXPECT_EQ(urls[2].m_strServer, loadedURLs[1].m_strServer);
    EXPECT_TRUE(urls[2].m_baExtraFields.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, UnchangedSave, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Wire") : std::string("Embedded");
                         });

} // namespace
