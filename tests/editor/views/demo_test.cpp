// The demo e-script of samples/, imported into a temporary embedded store, loaded and shown in
// the real tab widget (offscreen): the rows the user sees, read through the item models.

#include "fakehost.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "testmongoserver.h"
#include "treegridwidget.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <memory>

namespace {
// Inserts every document of an Extended JSON array file of samples/ into the collection.
void ImportSamples(CMongoDB& db, const QString& ns, const QString& file) {
    QFile f(QStringLiteral(XAL_SAMPLES_DIR "/") + file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    CMDBRecord wrapper;
    QString error;
    ASSERT_TRUE(CMDBRecord::FromJson(QStringLiteral("{\"docs\":") + QString::fromUtf8(f.readAll()) +
                                         QLatin1Char('}'),
                                     wrapper, &error))
        << error.toStdString();
    const CMDBRecord* docs = wrapper.GetArrayPtr(QStringLiteral("docs"));
    ASSERT_NE(docs, nullptr);
    for (int i = 0; i < docs->GetCount(); ++i)
        ASSERT_TRUE(db.Insert(ns, *docs->GetArrayPtr(QString::number(i))))
            << db.GetLastError().toStdString();
}

QColor FromCOLORREF(COLORREF cr) {
    return {int(cr & 0xFF), int((cr >> 8) & 0xFF), int((cr >> 16) & 0xFF)};
}

class DemoScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "views_demo_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            app = new QApplication(argc, argv);
    }

    void SetUp() override {
        db = std::make_unique<CMongoDB>(store.ServerText(), QString());
        QString error;
        ASSERT_TRUE(db->Connect(error)) << error.toStdString();
        ImportSamples(*db, QStringLiteral("xaldata.escript"), QStringLiteral("demo-escripts.json"));
        loaded.m_strID = QStringLiteral("demo-portal");
        ASSERT_TRUE(LoadScript(*db, loaded));
        tabs = std::make_unique<CXALScripEditTabWidget>(view);
        tabs->resize(1000, 700);
        tabs->show();
        view.SetScript(loaded);
    }

    CTreeGridWidget& Page(int nTab) const { return tabs->Grid(nTab); }
    static QString Text(const QModelIndex& index) { return index.data(Qt::DisplayRole).toString(); }
    static qint64 IconKey(const QModelIndex& index) {
        return index.data(Qt::DecorationRole).value<QIcon>().cacheKey();
    }
    static QColor Background(const QModelIndex& index) {
        return index.data(Qt::BackgroundRole).value<QBrush>().color();
    }

    static QApplication* app;
    xal::test::TemporaryEmbeddedStore store;
    std::unique_ptr<CMongoDB> db;
    CScriptObj loaded;
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
    std::unique_ptr<CXALScripEditTabWidget> tabs;
};
QApplication* DemoScript::app = nullptr;
} // namespace

TEST_F(DemoScript, main_script_tab_shows_every_url_and_parameter) {
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Main script"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Conditional script: Session expired"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("Conditional script: Terms of use"));
    EXPECT_EQ(tabs->currentIndex(), 0);

    CTreeGridWidget& page = Page(0);
    const QAbstractItemModel& model = page.GridModel();
    const QStringList expectedURLs = {
        QStringLiteral("https://www.demo-portal.example.com/start"),
        QStringLiteral("https://sso.demo-portal.example.com/auth/login"),
        QStringLiteral("https://sso.demo-portal.example.com:8443/api/token"),
        QStringLiteral("https://www.demo-portal.example.com/_XALURL_1_/home"),
        QStringLiteral("http://static.example.net/css/portal.css")};
    ASSERT_EQ(model.rowCount(), expectedURLs.size());
    for (int i = 0; i < model.rowCount(); ++i) {
        const QModelIndex url = model.index(i, 0);
        EXPECT_EQ(Text(url), expectedURLs[i]);
        EXPECT_TRUE(url.data(Qt::FontRole).value<QFont>().bold());
        EXPECT_TRUE(page.isFirstColumnSpanned(i, QModelIndex())) << i;
        EXPECT_TRUE(page.isExpanded(url)) << i;
    }
    EXPECT_EQ(IconKey(model.index(0, 0)), GridMethodIcon(GridImage::kURLGet).cacheKey());
    EXPECT_EQ(IconKey(model.index(1, 0)), GridMethodIcon(GridImage::kURLPost).cacheKey());
    EXPECT_EQ(IconKey(model.index(2, 0)), GridMethodIcon(GridImage::kMethod2).cacheKey());

    // The login's parameters: logon variables and the placeholder as stored, the return
    // address decoded.
    const QModelIndex login = model.index(1, 0);
    ASSERT_EQ(model.rowCount(login), 4);
    const QStringList names = {QStringLiteral("username"), QStringLiteral("password"),
                               QStringLiteral("sessionid"), QStringLiteral("return")};
    const QStringList values = {QStringLiteral("_XALURL_USER_"),
                                QStringLiteral("_XALURL_PASSWORD_"), QStringLiteral("_XALURL_0_"),
                                QStringLiteral("https://www.demo-portal.example.com/home")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Text(model.index(i, 0, login)), names[i]);
        EXPECT_EQ(Text(model.index(i, 1, login)), values[i]);
        EXPECT_EQ(IconKey(model.index(i, 0, login)),
                  GridMethodIcon(GridImage::kParamPost).cacheKey());
        EXPECT_FALSE(model.index(i, 0, login).data(Qt::FontRole).isValid());
    }
    EXPECT_EQ(Text(model.index(0, 1, model.index(0, 0))), QStringLiteral("en"));
    EXPECT_EQ(IconKey(model.index(0, 0, model.index(2, 0))),
              GridMethodIcon(GridImage::kMethod2).cacheKey());
    EXPECT_EQ(model.rowCount(model.index(3, 0)), 0);

    // One colour per server, the parameters in their URL's colour.
    EXPECT_EQ(Background(model.index(0, 0)), Background(model.index(3, 0)));
    EXPECT_EQ(Background(model.index(1, 0)), Background(model.index(2, 0)));
    EXPECT_NE(Background(model.index(0, 0)), Background(model.index(1, 0)));
    EXPECT_NE(Background(model.index(0, 0)), Background(model.index(4, 0)));
    EXPECT_EQ(Background(model.index(3, 1, login)), Background(login));

    // Row 0 is selected and current; the grid's records hold what the rows came from.
    EXPECT_TRUE(page.selectionModel()->isRowSelected(0, QModelIndex()));
    EXPECT_EQ(page.currentIndex().row(), 0);
    const CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    EXPECT_EQ(grid.Record(9).m_nFlags, kURLFlexibleFlags); // the /_XALURL_1_/home URL
    EXPECT_EQ(grid.Record(7).m_nFlags, 0);
    EXPECT_EQ(grid.Record(3).m_strOrgValue, QStringLiteral("demo.user"));
    EXPECT_EQ(grid.Record(6).m_strRawValue,
              QStringLiteral("https%3A%2F%2Fwww.demo-portal.example.com%2Fhome"));
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(0),
              QStringLiteral("https://www.demo-portal.example.com/start?lang=en"));

    // Parameter names show in full.
    const QFontMetrics metrics(page.font());
    EXPECT_GE(page.columnWidth(0), kVariableColumnMin);
    EXPECT_GT(page.columnWidth(0),
              metrics.horizontalAdvance(QStringLiteral("sessionid")) + page.indentation() + 16);
    EXPECT_FALSE(tabs->grab().isNull());
}

TEST_F(DemoScript, conditional_tabs_show_condition_url_first_in_amber) {
    tabs->setCurrentIndex(1);
    EXPECT_EQ(view.GetActiveTab(), 1);
    const QAbstractItemModel& model = Page(1).GridModel();
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex condition = model.index(0, 0);
    EXPECT_EQ(Text(condition),
              QStringLiteral("https://www.demo-portal.example.com/_XALURL_CONDITION_TEMPLATE_"));
    EXPECT_EQ(Background(condition), FromCOLORREF(kConditionURLColor));
    EXPECT_EQ(Background(model.index(0, 1, condition)), FromCOLORREF(kConditionURLColor));
    EXPECT_EQ(Text(model.index(0, 0, condition)), QStringLiteral("reason"));
    EXPECT_EQ(Text(model.index(0, 1, condition)), QStringLiteral(".*"));
    const QModelIndex login = model.index(1, 0);
    EXPECT_EQ(Text(login), QStringLiteral("https://sso.demo-portal.example.com/auth/login"));
    EXPECT_EQ(Background(login), Background(Page(0).GridModel().index(1, 0)));
    EXPECT_EQ(Text(model.index(1, 1, login)), QStringLiteral("_XALURL_PASSWORD_"));

    const CMyTreeGridCtrl& grid = view.GetTabView(1)->Grid();
    EXPECT_EQ(grid.Row(0).m_nData, RowBits::kURL | RowBits::kConditionURL);
    EXPECT_EQ(grid.Record(0).m_nFlags, int(RowBits::kFlexCondition));
    EXPECT_EQ(grid.Record(1).m_nFlags, int(RowBits::kFlexCondition));
    EXPECT_EQ(grid.Row(2).m_nData, RowBits::kURL | RowBits::kScriptURL);
    EXPECT_EQ(grid.Record(2).m_nFlags, 0);

    const QAbstractItemModel& terms = Page(2).GridModel();
    ASSERT_EQ(terms.rowCount(), 1);
    EXPECT_EQ(Text(terms.index(0, 0)), QStringLiteral("https://www.demo-portal.example.com/terms"));
    EXPECT_EQ(Text(terms.index(0, 1, terms.index(0, 0))), QStringLiteral("yes"));

    // Collecting leaves the main tab active and brings back the conditional flags.
    CScriptObj collected;
    view.GetScriptList(collected);
    EXPECT_EQ(tabs->currentIndex(), 0);
    ASSERT_EQ(collected.m_lstScripts.size(), 3u);
    EXPECT_EQ(collected.m_lstScripts[1].m_lstURLs[0].m_nFlags, int(RowBits::kFlexCondition));
    EXPECT_EQ(collected.m_lstScripts[1].m_lstURLs[1].m_lstParams[0].m_nSpecialVariable, 0x200);
}
