// Rows -> stored document -> rows again, through both database backends: what the views
// collect must survive a save and a load unchanged.

#include "basescriptview.h"
#include "commandids.h"
#include "dialediturl.h"
#include "fakehost.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptsave.h"
#include "testmongoserver.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
CScriptObj EditedScript() {
    CScriptObj script;
    script.m_strID = QStringLiteral("rt1");
    script.m_strLogonUser = QStringLiteral("bob");
    script.m_strLogonPW = QStringLiteral("pw");
    script.m_lstURLParameter.push_back({QStringLiteral("id"), QStringLiteral("_XALURL_0_"), 0, {}});
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("a.example.com"), QStringLiteral("/login"), 1,
                    {Param(QStringLiteral("user"), QStringLiteral("_XALURL_USER_"), 1, 0x240,
                           QStringLiteral("bob")),
                     // A stored plain parameter keeps its value as org value too.
                     Param(QStringLiteral("q"), QStringLiteral("a%20b%C3%BC"), 2, 0x40,
                           QStringLiteral("a%20b%C3%BC")),
                     Param(QStringLiteral("id"), QStringLiteral("_XALURL_0_"), 0, 0x8040,
                           QStringLiteral("42"))},
                    8080),
                Url(QStringLiteral("b.example.com"), QStringLiteral("/home"), 0, {}, 0, 1)}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Login"),
               {Url(QStringLiteral("a.example.com"), QStringLiteral("/login/*"), 0,
                    {Param(QStringLiteral("k"), QStringLiteral("*"), 0, 0x20040)}),
                Url(QStringLiteral("a.example.com"), QStringLiteral("/next"), 0,
                    {Param(QStringLiteral("k"), QStringLiteral("_XALURL_k"), 0, 0x20040,
                           QStringLiteral("v"))})}));
    return script;
}

// The fields the script comparison looks at, one URL per line, so that a failure shows where.
std::string Describe(const CSubscriptObj& script) {
    QString text = script.m_strName + u'\n';
    for (const CURLObj& url : script.m_lstURLs) {
        text += QStringLiteral("%1 %2 m%3 f%4 p%5:")
                    .arg(url.m_strServer, url.m_strURL)
                    .arg(url.m_nMethod)
                    .arg(url.m_nFlags)
                    .arg(url.m_nInternetProtocol);
        for (const CURLParamObj& p : url.m_lstParams)
            text += QStringLiteral(" [%1=%2 org=%3 m%4 s%5]")
                        .arg(p.m_strName, p.m_strValue, p.m_strOrgValue)
                        .arg(p.m_nMethod)
                        .arg(p.m_nSpecialVariable, 0, 16);
        text += u'\n';
    }
    return text.toStdString();
}

class StoreRoundTrip : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        QString server;
        if (GetParam()) {
            wire = std::make_unique<xal::test::TestMongoServer>();
            QString error;
            if (!wire->Start(&error))
                GTEST_SKIP() << "wire test database unavailable: " << error.toStdString();
            server = wire->ServerText();
        } else {
            embedded = std::make_unique<xal::test::TemporaryEmbeddedStore>();
            server = embedded->ServerText();
        }
        db = std::make_unique<CMongoDB>(server, QString());
        QString error;
        ASSERT_TRUE(db->Connect(error)) << error.toStdString();
        CMDBRecord document;
        ASSERT_TRUE(CMDBRecord::FromJson(QStringLiteral("{\"_id\": \"rt1\"}"), document));
        ASSERT_TRUE(db->Insert(QStringLiteral("xaldata.escript"), document));
    }

    std::unique_ptr<xal::test::TemporaryEmbeddedStore> embedded;
    std::unique_ptr<xal::test::TestMongoServer> wire;
    std::unique_ptr<CMongoDB> db;
};
} // namespace

TEST_P(StoreRoundTrip, collected_script_survives_save_and_load) {
    CFakeHost host;
    CXALScripEditView first(host, host.m_doc);
    first.SetScript(EditedScript());
    CScriptObj collected;
    first.GetScriptList(collected);

    QString accountID = collected.m_strID;
    bool rootChanged = false;
    const QString newRoot;
    const ScriptSaveResult saved = SaveScript(
        *db, ScriptSaveAccount{accountID, rootChanged, newRoot}, collected, false, nullptr);
    ASSERT_TRUE(saved.Succeeded()) << saved.m_strError.toStdString();

    CScriptObj loaded;
    loaded.m_strID = QStringLiteral("rt1");
    ASSERT_TRUE(LoadScript(*db, loaded));
    CXALScripEditView second(host, host.m_doc);
    second.SetScript(loaded);
    CScriptObj again;
    second.GetScriptList(again);

    ASSERT_EQ(again.m_lstScripts.size(), collected.m_lstScripts.size());
    for (std::size_t i = 0; i < again.m_lstScripts.size(); ++i)
        EXPECT_EQ(Describe(again.m_lstScripts[i]), Describe(collected.m_lstScripts[i]));
    const CURLParamObj& q = again.m_lstScripts[0].m_lstURLs[0].m_lstParams[1];
    EXPECT_EQ(q.m_strRawValue, QStringLiteral("a%20b%C3%BC"));
    EXPECT_EQ(q.m_strValue, QString::fromUtf16(u"a b\u00fc"));
    EXPECT_EQ(again.m_lstScripts[0].m_lstURLs[0].m_nPort, 8080);
    EXPECT_EQ(again.m_strRootURL, collected.m_strRootURL);
    EXPECT_EQ(again.m_strLogonUser, QStringLiteral("bob"));
    ASSERT_EQ(again.m_lstURLParameter.size(), collected.m_lstURLParameter.size());
    EXPECT_EQ(again.m_lstURLParameter[0].m_strReplace, QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(second.Document().FlexibleCount(), 1);
}

// URLs created in the editor are stored as a loaded URL of their kind is: loading them back
// gives the same e-script.
TEST_P(StoreRoundTrip, created_urls_save_as_loaded_ones_do) {
    CFakeHost host;
    CXALScripEditView first(host, host.m_doc);
    first.SetScript(EditedScript());
    for (const int nTab : {0, 1}) {
        first.SetActiveTab(nTab);
        CMyTreeGridCtrl& grid = first.GetTabView(nTab)->Grid();
        grid.DeselectAllRows();
        grid.SelectRow(grid.GetURLRowOf(grid.GetRowCount() - 1));
        host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
            d.SetServer(QStringLiteral("a.example.com"));
            d.SetAddress(QStringLiteral("/created"));
            return d.OnOK();
        });
        first.OnCommand(XalCmd::Create);
    }
    CScriptObj collected;
    first.GetScriptList(collected);
    ASSERT_EQ(collected.m_lstScripts[1].m_lstURLs.size(), 3u);
    // The same flags as the loaded script URL without a flexible condition.
    EXPECT_EQ(collected.m_lstScripts[1].m_lstURLs[2].m_nFlags, 0);

    QString accountID = collected.m_strID;
    bool rootChanged = false;
    const QString newRoot;
    const ScriptSaveResult saved = SaveScript(
        *db, ScriptSaveAccount{accountID, rootChanged, newRoot}, collected, false, nullptr);
    ASSERT_TRUE(saved.Succeeded()) << saved.m_strError.toStdString();
    CScriptObj loaded;
    loaded.m_strID = QStringLiteral("rt1");
    ASSERT_TRUE(LoadScript(*db, loaded));
    EXPECT_EQ(loaded.m_lstScripts[1].m_lstURLs[2].m_nFlags, 0);
    CXALScripEditView second(host, host.m_doc);
    second.SetScript(loaded);
    CScriptObj again;
    second.GetScriptList(again);
    ASSERT_EQ(again.m_lstScripts.size(), collected.m_lstScripts.size());
    for (std::size_t i = 0; i < again.m_lstScripts.size(); ++i)
        EXPECT_EQ(Describe(again.m_lstScripts[i]), Describe(collected.m_lstScripts[i]));
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreRoundTrip, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Wire") : std::string("Embedded");
                         });
