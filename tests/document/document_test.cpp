// The document on its own: what it loads, what a save stores and what a failed one keeps,
// stored properties taken over, and the recovery file.

#include "mongodb.h"
#include "scriptload.h"
#include "testmongoserver.h"
#include "xalscripteditdoc.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {
const QString kNs = QStringLiteral("xaldata.escript");

CMDBRecord Json(const char* text) {
    CMDBRecord record;
    QString error;
    EXPECT_TRUE(CMDBRecord::FromJson(QString::fromUtf8(text), record, &error))
        << error.toStdString();
    return record;
}

CMDBRecord IdQuery() {
    return Json(R"({"_id": "d1"})");
}

// What the views would add: a main script with one URL and one conditional script.
void CollectRows(CScriptObj& script) {
    CSubscriptObj main;
    CURLObj url;
    url.m_strServer = QStringLiteral("shop.example");
    url.m_strURL = QStringLiteral("/login");
    url.m_strOrgValue = QStringLiteral("http://shop.example/login");
    main.m_lstURLs.push_back(url);
    script.m_lstScripts.push_back(main);
    CSubscriptObj conditional;
    conditional.m_nKind = 1;
    conditional.m_strName = QStringLiteral("Expired");
    url.m_strURL = QStringLiteral("/renew");
    conditional.m_lstURLs.push_back(url);
    script.m_lstScripts.push_back(conditional);
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<CMongoDB>(store.ServerText(), QString());
        QString error;
        ASSERT_TRUE(db->Connect(error)) << error.toStdString();
        ASSERT_TRUE(db->Insert(kNs, Json(R"({"_id": "d1", "title": "Shop",
            "rooturl": "shop.example/", "logon": {"user": "ulla", "pw": "secret"},
            "domainlist_available": ["shop.example"], "domainlist": [".example"],
            "urlparameter": [{"find": "id=", "variable": "_XALURL_0_"}],
            "urls": [{"url": "/", "server": "shop.example"}]})")));
        doc.SetScriptCollector(CollectRows);
    }

    CScriptObj Stored() {
        CScriptObj script;
        script.m_strID = QStringLiteral("d1");
        EXPECT_TRUE(LoadScript(*db, script));
        return script;
    }

    xal::test::TemporaryEmbeddedStore store;
    std::unique_ptr<CMongoDB> db;
    CXALScripEditDoc doc;
};
} // namespace

TEST_F(DocumentTest, load_takes_the_stored_values_and_tells_about_missing_ones) {
    CScriptObj script;
    ASSERT_EQ(doc.Load(*db, QStringLiteral("d1"), script, nullptr), DocLoadStatus::Loaded);
    EXPECT_EQ(doc.Title(), QStringLiteral("Shop"));
    EXPECT_EQ(doc.LoadedRootURL(), QStringLiteral("shop.example/"));
    EXPECT_EQ(doc.EffectiveRootURL(), QStringLiteral("http://shop.example/"));
    EXPECT_EQ(doc.LogonUser(), QStringLiteral("ulla"));
    EXPECT_EQ(doc.RememberedDomains(), QStringList{QStringLiteral("shop.example")});
    EXPECT_EQ(doc.FlexibleCount(), 1);
    EXPECT_TRUE(doc.IsLoaded());
    EXPECT_FALSE(doc.IsModified());
    ASSERT_EQ(script.m_lstScripts.size(), 1u); // the rows go to the views

    CXALScripEditDoc other;
    EXPECT_EQ(other.Load(*db, QStringLiteral("none"), script, nullptr), DocLoadStatus::NotFound);
    EXPECT_FALSE(other.IsLoaded());
}

TEST_F(DocumentTest, changes_are_saved_and_a_failed_save_keeps_them_modified) {
    CScriptObj script;
    ASSERT_EQ(doc.Load(*db, QStringLiteral("d1"), script, nullptr), DocLoadStatus::Loaded);
    QSignalSpy modified(&doc, &CXALScripEditDoc::ModifiedChanged);
    doc.AddAvailableDomain(QStringLiteral("login.example"));
    doc.AddFlexibleParameter(QStringLiteral("session="), QStringLiteral("_XALURL_1_"));
    doc.SetRootURL(QStringLiteral("https://shop.example/start"));
    doc.SetModified(true);
    ASSERT_EQ(modified.count(), 1);

    CScriptObj saved;
    ASSERT_TRUE(doc.Save(*db, &saved).Succeeded());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.IsRootChanged());
    const CScriptObj stored = Stored();
    EXPECT_TRUE(stored.m_lstDomainAvailable.contains(QStringLiteral("login.example")));
    EXPECT_EQ(stored.m_strRootURL, QStringLiteral("https://shop.example/start"));
    ASSERT_EQ(stored.m_lstScripts.size(), 2u);
    EXPECT_EQ(stored.m_lstScripts[1].m_strName, QStringLiteral("Expired"));

    // The stored e-script is gone: the save fails and nothing counts as saved.
    doc.SetDomains({QStringLiteral(".other")});
    doc.SetModified(true);
    ASSERT_TRUE(db->Remove(kNs, IdQuery()));
    const ScriptSaveResult failed = doc.Save(*db);
    EXPECT_EQ(failed.m_status, ScriptSaveStatus::DocumentMissing);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Domains(), QStringList{QStringLiteral(".other")});
}

TEST_F(DocumentTest, stored_properties_are_taken_over_keeping_domains_found_since) {
    CScriptObj script;
    ASSERT_EQ(doc.Load(*db, QStringLiteral("d1"), script, nullptr), DocLoadStatus::Loaded);
    doc.AddAvailableDomain(QStringLiteral("found.example"));
    // What the properties dialog stores.
    ASSERT_TRUE(db->Update(kNs, IdQuery(), Json(R"({"$set": {"title": "Shop 2",
        "logon.user": "olga", "logon.pw": "new", "domainlist": [".shop"],
        "domainlist_available": ["shop.example", "cdn.example"]}})")));
    QSignalSpy title(&doc, &CXALScripEditDoc::TitleChanged);

    ASSERT_TRUE(doc.TakeStoredProperties(*db));
    EXPECT_EQ(doc.Title(), QStringLiteral("Shop 2"));
    ASSERT_EQ(title.count(), 1);
    EXPECT_EQ(doc.LogonUser(), QStringLiteral("olga"));
    EXPECT_EQ(doc.LogonPW(), QStringLiteral("new"));
    EXPECT_EQ(doc.Domains(), QStringList{QStringLiteral(".shop")});
    EXPECT_EQ(doc.AvailableDomains(),
              (QStringList{QStringLiteral("shop.example"), QStringLiteral("cdn.example"),
                           QStringLiteral("found.example")}));
    EXPECT_EQ(doc.RememberedDomains(),
              (QStringList{QStringLiteral("shop.example"), QStringLiteral("cdn.example")}));

    // The next save writes what the dialog stored, not the values loaded before it.
    ASSERT_TRUE(doc.Save(*db).Succeeded());
    EXPECT_EQ(Stored().m_strLogonUser, QStringLiteral("olga"));
}

TEST_F(DocumentTest, recovery_file_is_private_restores_the_e_script_and_goes_with_a_save) {
    QTemporaryDir state;
    const QString folder = state.filePath(QStringLiteral("xal/recovery"));
    doc.SetRecoveryFolder(folder);
    CScriptObj script;
    ASSERT_EQ(doc.Load(*db, QStringLiteral("d1"), script, nullptr), DocLoadStatus::Loaded);
    EXPECT_FALSE(doc.HasRecovery());
    doc.SetRootURL(QStringLiteral("shop.example/new"));
    doc.SetModified(true);

    QString error;
    ASSERT_TRUE(doc.WriteRecovery(&error)) << error.toStdString();
    ASSERT_TRUE(doc.HasRecovery());
    EXPECT_EQ(QFileInfo(doc.RecoveryFilePath()).fileName(), QStringLiteral("d1.json"));
    EXPECT_EQ(QFile::permissions(folder) & 0x0777,
              QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    EXPECT_EQ(QFile::permissions(doc.RecoveryFilePath()) & 0x0777,
              QFile::ReadUser | QFile::WriteUser);

    // A later run of the same e-script reads it back as the e-script it was.
    CXALScripEditDoc later;
    later.SetRecoveryFolder(folder);
    CScriptObj loaded;
    ASSERT_EQ(later.Load(*db, QStringLiteral("d1"), loaded, nullptr), DocLoadStatus::Loaded);
    CScriptObj recovered;
    ASSERT_TRUE(later.ReadRecovery(recovered, &error)) << error.toStdString();
    EXPECT_EQ(recovered.m_strLogonPW, QStringLiteral("secret"));
    ASSERT_EQ(recovered.m_lstScripts.size(), 2u);
    EXPECT_EQ(recovered.m_lstScripts[1].m_lstURLs[0].m_strURL, QStringLiteral("/renew"));
    later.SetFromScript(recovered, true);
    EXPECT_TRUE(later.IsModified());
    EXPECT_EQ(later.LoadedRootURL(), QStringLiteral("shop.example/"));
    EXPECT_TRUE(later.IsRootChanged());
    EXPECT_EQ(later.NewRootURL(), QStringLiteral("shop.example/new"));

    later.SetScriptCollector(CollectRows);
    ASSERT_TRUE(later.Save(*db).Succeeded());
    EXPECT_FALSE(later.HasRecovery());
    EXPECT_EQ(Stored().m_strRootURL, QStringLiteral("shop.example/new"));
}

TEST(DocumentRecovery, an_id_cannot_name_a_file_outside_the_folder) {
    CXALScripEditDoc doc;
    doc.SetRecoveryFolder(QStringLiteral("/state/xal/recovery"));
    doc.SetXalID(QStringLiteral("../../Evil/x"));
    EXPECT_EQ(QFileInfo(doc.RecoveryFilePath()).absolutePath(),
              QStringLiteral("/state/xal/recovery"));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
