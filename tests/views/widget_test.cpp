// The Qt shells: the item-model adapter, the tree view and the tab widget (offscreen).

#include "fakehost.h"
#include "scriptview.h"
#include "treegridwidget.h"
#include "viewcommands.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFont>
#include <QKeyEvent>
#include <QTabBar>

#include <gtest/gtest.h>

namespace {
CScriptObj WidgetScript() {
    CScriptObj script;
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/a"), 0,
                    {Param(QStringLiteral("p"), QStringLiteral("1"), 0, 0x40),
                     Param(QStringLiteral("f"), QStringLiteral("_XALURL_0_"), 0, 0x8040)}),
                Url(QStringLiteral("g"), QStringLiteral("/b"), 1,
                    {Param(QStringLiteral("q"), QStringLiteral("2"), 1, 0x40)})}));
    script.m_lstScripts.push_back(Script(1, QStringLiteral("C"),
                                         {Url(QStringLiteral("h"), QStringLiteral("/c")),
                                          Url(QStringLiteral("h"), QStringLiteral("/d"))}));
    return script;
}

class WidgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "views_widget_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            app = new QApplication(argc, argv);
    }
    static QApplication* app;
    CFakeHost host;
    CXALScripEditView view{host};
};
QApplication* WidgetTest::app = nullptr;
} // namespace

TEST_F(WidgetTest, model_stays_consistent_through_grid_changes) {
    CTreeGridWidget widget(*view.GetTabView(0));
    QAbstractItemModelTester tester(&widget.GridModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    view.SetScript(WidgetScript());
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    CTreeGridModel& model = widget.GridModel();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 2);
    EXPECT_EQ(model.rowCount(model.index(0, 1)), 0);
    for (int row = 0; row < grid.GetRowCount(); ++row)
        EXPECT_EQ(model.GridRow(model.IndexOfGridRow(row, 1)), row);
    grid.RemoveRowWithSubRows(1);
    grid.SetCellText(1, 1, QStringLiteral("changed"));
    EXPECT_EQ(model.data(model.index(0, 1, model.index(0, 0)), Qt::DisplayRole).toString(),
              QStringLiteral("changed"));
    grid.RemoveAll();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(WidgetTest, cells_show_texts_icons_colours_and_bold_urls) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    const CTreeGridModel& model = widget.GridModel();
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Variable"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Value"));
    const QModelIndex url = model.index(1, 0);
    EXPECT_EQ(model.data(url, Qt::DisplayRole).toString(), QStringLiteral("http://g/b"));
    EXPECT_TRUE(model.data(url, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(model.data(model.index(0, 0, url), Qt::FontRole).isValid());
    EXPECT_FALSE(model.data(url, Qt::DecorationRole).value<QIcon>().isNull());
    const COLORREF cr = view.GetServerColor(QStringLiteral("g"));
    const QColor expected(int(cr & 0xFF), int((cr >> 8) & 0xFF), int((cr >> 16) & 0xFF));
    EXPECT_EQ(model.data(model.index(0, 1, url), Qt::BackgroundRole).value<QBrush>().color(),
              expected);
    // Merged URL rows span both columns.
    EXPECT_TRUE(widget.isFirstColumnSpanned(0, QModelIndex()));
    view.GetMainView().Grid().UnmergeAll();
    EXPECT_FALSE(widget.isFirstColumnSpanned(0, QModelIndex()));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(GridMethodIcon(i).isNull());
    EXPECT_TRUE(GridMethodIcon(5).isNull());
}

TEST_F(WidgetTest, selection_and_expansion_follow_both_ways) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    const CTreeGridModel& model = widget.GridModel();
    EXPECT_TRUE(widget.selectionModel()->isRowSelected(0, QModelIndex()));
    widget.selectionModel()->select(model.IndexOfGridRow(4),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(grid.IsRowSelected(4));
    EXPECT_EQ(grid.GetSelectedRowCount(), 2);
    grid.DeselectAllRows();
    EXPECT_FALSE(widget.selectionModel()->hasSelection());
    widget.collapse(model.index(1, 0));
    EXPECT_FALSE(grid.Row(3).m_bExpanded);
    grid.ExpandAll();
    EXPECT_TRUE(widget.isExpanded(model.index(1, 0)));
}

TEST_F(WidgetTest, right_click_asks_the_host_to_show_the_chosen_menu) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    widget.resize(400, 300);
    widget.show();
    const QRect rect = widget.visualRect(widget.GridModel().IndexOfGridRow(2));
    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            widget.mapToGlobal(rect.center()));
    QApplication::sendEvent(widget.viewport(), &event);
    ASSERT_EQ(host.m_menus.size(), 1u);
    EXPECT_EQ(host.m_menus[0], ViewMenu::kResetFlexibleParameter);
    EXPECT_TRUE(view.GetMainView().Grid().IsRowSelected(2));
    EXPECT_EQ(view.GetMainView().Grid().GetSelectedRowCount(), 1);
}

TEST_F(WidgetTest, tab_widget_follows_the_view) {
    view.SetScript(WidgetScript());
    CXALScripEditTabWidget tabs(view);
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), QStringLiteral("Conditional script: C"));
    CSubscriptObj added = Script(1, QStringLiteral("D"),
                                 {Url(QStringLiteral("h"), QStringLiteral("/e")),
                                  Url(QStringLiteral("h"), QStringLiteral("/f"))});
    view.AddConditionalTab(QStringLiteral("D"), added);
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.currentIndex(), 2);
    tabs.setCurrentIndex(0);
    EXPECT_EQ(view.GetActiveTab(), 0);
    host.m_messages.Queue(MsgAnswer::Yes);
    emit tabs.tabCloseRequested(1);
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), QStringLiteral("Conditional script: D"));
    view.SetScript(WidgetScript());
    EXPECT_EQ(tabs.count(), 2);
    tabs.resize(500, 400);
    EXPECT_FALSE(tabs.grab().isNull());
}
