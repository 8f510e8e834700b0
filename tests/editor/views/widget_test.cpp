// The Qt shells: the item-model adapter, the tree view and the tab widget (offscreen).

#include "commandids.h"
#include "dialediturl.h"
#include "fakehost.h"
#include "scriptview.h"
#include "treegridwidget.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

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

class Widgets : public ::testing::Test {
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
    CXALScripEditView view{host, host.m_doc};
};
QApplication* Widgets::app = nullptr;
} // namespace

TEST_F(Widgets, model_stays_consistent_through_grid_changes) {
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

TEST_F(Widgets, cells_show_texts_icons_colours_and_bold_urls) {
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

TEST_F(Widgets, selection_and_expansion_follow_both_ways) {
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

TEST_F(Widgets, resets_bring_back_spans_and_expansion_with_some_rows_collapsed) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    const CTreeGridModel& model = widget.GridModel();
    // Only parameter rows are leaves for good; URL rows may get parameters at any time.
    EXPECT_FALSE(model.flags(model.index(1, 0)).testFlag(Qt::ItemNeverHasChildren));
    EXPECT_TRUE(
        model.flags(model.index(0, 1, model.index(1, 0))).testFlag(Qt::ItemNeverHasChildren));
    const auto check = [&](bool bFirstExpanded) {
        for (int nTop = 0; nTop < 2; ++nTop)
            EXPECT_TRUE(widget.isFirstColumnSpanned(nTop, QModelIndex())) << nTop;
        EXPECT_EQ(widget.isExpanded(model.index(0, 0)), bFirstExpanded);
        EXPECT_TRUE(widget.isExpanded(model.index(1, 0)));
        EXPECT_EQ(widget.visualRect(model.index(0, 0, model.index(0, 0))).isValid(),
                  bFirstExpanded);
        EXPECT_TRUE(widget.visualRect(model.index(0, 0, model.index(1, 0))).isValid());
    };
    check(true);
    // The view takes every row to be as high as the first: bold URL rows and parameter rows
    // (both with a 16-pixel icon) must need the same height.
    EXPECT_TRUE(widget.uniformRowHeights());
    const auto rowHeight = [&](int nRow, const QModelIndex& parent) {
        return std::max(widget.sizeHintForIndex(model.index(nRow, 0, parent)).height(),
                        widget.sizeHintForIndex(model.index(nRow, 1, parent)).height());
    };
    EXPECT_EQ(rowHeight(0, model.index(1, 0)), rowHeight(1, QModelIndex()));
    EXPECT_EQ(rowHeight(1, model.index(0, 0)), rowHeight(0, QModelIndex()));
    grid.SetExpanded(0, false);
    grid.MergeURLRows(0); // a reset with one URL row collapsed
    check(false);
    grid.ExpandAll();
    check(true);
}

TEST_F(Widgets, a_first_row_without_icon_turns_uniform_row_heights_off) {
    // A stored method the editor does not know shows no icon, and such a row is lower than
    // one with an icon: the view must not give every row the first row's height.
    CScriptObj script = WidgetScript();
    script.m_lstScripts[0].m_lstURLs[0].m_nMethod = 7;
    view.SetScript(script);
    CTreeGridWidget widget(*view.GetTabView(0));
    const CTreeGridModel& model = widget.GridModel();
    EXPECT_FALSE(widget.uniformRowHeights());
    const QModelIndex withIcon = model.index(1, 0);
    EXPECT_GE(widget.visualRect(withIcon).height(), widget.sizeHintForIndex(withIcon).height());
    // Once the first row has an icon again (a reset after an edit), the rule holds again.
    view.GetMainView().Grid().Row(0).m_cells[0].nImage = GridImage::kURLGet;
    view.GetMainView().Grid().MergeURLRows(0);
    EXPECT_TRUE(widget.uniformRowHeights());
}

TEST_F(Widgets, right_click_asks_the_host_to_show_the_chosen_menu) {
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

TEST_F(Widgets, double_click_edits_the_row_under_the_mouse) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    widget.resize(400, 300);
    widget.show();
    QString strAddress;
    host.m_dialogs.m_editURL.push_back([&strAddress](CDialEditURL& d) {
        strAddress = d.m_strAddress;
        return false;
    });
    const QRect rect = widget.visualRect(widget.GridModel().IndexOfGridRow(3));
    QTest::mouseDClick(widget.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(host.m_dialogs.m_nShown, 1);
    EXPECT_EQ(strAddress, QStringLiteral("/b"));
    EXPECT_TRUE(view.GetMainView().Grid().IsRowSelected(3));
}

TEST_F(Widgets, delete_key_deletes_the_selection_but_never_row_0) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    widget.show();
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    QTest::keyClick(&widget, Qt::Key_Delete); // row 0 is selected: nothing goes
    EXPECT_EQ(grid.GetRowCount(), 5);
    grid.DeselectAllRows();
    grid.SelectRow(3);
    QTest::keyClick(&widget, Qt::Key_Delete);
    ASSERT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(widget.GridModel().rowCount(), 1);
    EXPECT_TRUE(host.m_doc.IsModified());
}

TEST_F(Widgets, menu_key_opens_the_menu_of_the_selected_row_beside_it) {
    view.SetScript(WidgetScript());
    CTreeGridWidget widget(*view.GetTabView(0));
    widget.resize(400, 300);
    widget.show();
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    grid.DeselectAllRows();
    grid.SelectRow(2);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                            widget.viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(widget.viewport(), &event);
    ASSERT_EQ(host.m_menus.size(), 1u);
    EXPECT_EQ(host.m_menus[0], ViewMenu::kResetFlexibleParameter);
    const QRect rect = widget.visualRect(widget.GridModel().IndexOfGridRow(2));
    EXPECT_EQ(host.m_menuPositions[0], widget.viewport()->mapToGlobal(rect.bottomLeft()));
    EXPECT_TRUE(grid.IsRowSelected(2));
}

TEST_F(Widgets, tab_widget_follows_the_view) {
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
    // Only the active tab offers its close button; a click asks and closes that tab.
    tabs.setCurrentIndex(1);
    auto* close = qobject_cast<QAbstractButton*>(tabs.tabBar()->tabButton(1, QTabBar::RightSide));
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->isHidden());
    EXPECT_TRUE(tabs.tabBar()->tabButton(0, QTabBar::RightSide)->isHidden());
    EXPECT_TRUE(tabs.tabBar()->tabButton(2, QTabBar::RightSide)->isHidden());
    host.m_messages.Queue(MsgAnswer::Yes);
    close->click();
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), QStringLiteral("Conditional script: D"));
    view.SetScript(WidgetScript());
    EXPECT_EQ(tabs.count(), 2);
    tabs.resize(500, 400);
    EXPECT_FALSE(tabs.grab().isNull());
}

TEST_F(Widgets, variable_column_fits_the_longest_parameter_name_within_limits) {
    CTreeGridWidget widget(*view.GetTabView(0));
    const QFontMetrics metrics(widget.font());
    // Short names keep the minimum, so that "Variable" never opens as a sliver.
    view.SetScript(WidgetScript());
    EXPECT_EQ(widget.columnWidth(0), kVariableColumnMin);

    const QString strLong = QStringLiteral("user_authentication_session_identifier_field");
    CScriptObj script = WidgetScript();
    script.m_lstScripts[0].m_lstURLs[1].m_lstParams.push_back(Param(strLong, QStringLiteral("1")));
    view.SetScript(script);
    EXPECT_GT(widget.columnWidth(0), metrics.horizontalAdvance(strLong) + widget.indentation());
    EXPECT_LE(widget.columnWidth(0), kVariableColumnMax);

    // A name of hundreds of characters does not push "Value" out of sight.
    script.m_lstScripts[0].m_lstURLs[1].m_lstParams.back().m_strName = QString(300, u'n');
    view.SetScript(script);
    EXPECT_EQ(widget.columnWidth(0), kVariableColumnMax);

    // Rows removed by a command narrow it again; URL labels never count.
    view.GetMainView().Grid().RemoveRowWithSubRows(3);
    EXPECT_EQ(widget.columnWidth(0), kVariableColumnMin);
}

TEST_F(Widgets, variable_column_measures_the_widest_name_not_the_longest) {
    CMyTreeGridCtrl grid;
    CGridRow url;
    url.m_cells[0].strText = QString(200, u'W'); // a URL label: not a parameter name
    const int nURL = grid.AddURLRow(std::move(url));
    for (const QString& strName :
         {QStringLiteral("iiiiiiiiiiiiiiiiiiii"), QString(14, u'W'), QStringLiteral("id")}) {
        CGridRow param;
        param.m_cells[0].strText = strName;
        grid.AddSubRow(nURL, std::move(param));
    }
    QFont font;
    font.setPixelSize(20);
    const QFontMetrics metrics(font);
    const int nWide = metrics.horizontalAdvance(QString(14, u'W'));
    ASSERT_GT(nWide, metrics.horizontalAdvance(QStringLiteral("iiiiiiiiiiiiiiiiiiii")));
    EXPECT_EQ(VariableColumnWidth(grid, metrics, 10),
              std::clamp(nWide + 10, kVariableColumnMin, kVariableColumnMax));
    EXPECT_EQ(VariableColumnWidth(CMyTreeGridCtrl(), metrics, 10), kVariableColumnMin);
}

TEST_F(Widgets, variable_column_sized_by_the_user_stays_as_the_user_left_it) {
    CTreeGridWidget widget(*view.GetTabView(0));
    widget.resize(600, 300);
    widget.show();
    QHeaderView* pHeader = widget.header();
    const QPoint divider(pHeader->sectionViewportPosition(1) - 1, pHeader->height() / 2);
    QTest::mousePress(pHeader->viewport(), Qt::LeftButton, {}, divider);
    pHeader->resizeSection(0, 250);
    QTest::mouseRelease(pHeader->viewport(), Qt::LeftButton, {}, divider);
    CScriptObj script = WidgetScript();
    script.m_lstScripts[0].m_lstURLs[0].m_lstParams.push_back(
        Param(QString(60, u'n'), QStringLiteral("1")));
    view.SetScript(script);
    EXPECT_EQ(widget.columnWidth(0), 250);
}

TEST_F(Widgets, grid_keys_copy_paste_and_undo_through_the_tab_view) {
    CXALScripEditTabWidget tabs(view);
    view.SetScript(WidgetScript());
    host.m_doc.SetModified(false);
    tabs.show();
    CTreeGridWidget* page = &tabs.Grid(0);
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    grid.DeselectAllRows();
    grid.SelectRow(3);
    QTest::keyClick(page, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(host.m_shell.m_clipboard.value_or(QString()), QStringLiteral("http://g/b\tq=2\n"));

    QTest::keyClick(page, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(grid.GetRowCount(), 7);
    EXPECT_EQ(page->GridModel().rowCount(), 3) << "the widget follows the pasted rows";
    EXPECT_TRUE(host.m_doc.IsModified());

    QTest::keyClick(page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid.GetRowCount(), 5);
    EXPECT_EQ(page->GridModel().rowCount(), 2);
    EXPECT_FALSE(host.m_doc.IsModified());
    QTest::keyClick(page, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid.GetRowCount(), 7);
    QTest::keyClick(page, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(grid.GetRowCount(), 5);
    QTest::keyClick(page, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(grid.GetRowCount(), 7);
}

// A conditional script's grid is built when its tab first becomes current, from the script
// view's state at that moment, and shows at once.
TEST_F(Widgets, a_page_builds_its_grid_when_first_current) {
    CXALScripEditTabWidget tabs(view);
    view.SetScript(WidgetScript());
    tabs.resize(500, 400);
    tabs.show();
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_NE(tabs.widget(0)->findChild<CTreeGridWidget*>(), nullptr);
    EXPECT_EQ(tabs.widget(1)->findChild<CTreeGridWidget*>(), nullptr);
    CMyTreeGridCtrl& grid = view.GetTabView(1)->Grid();
    grid.DeselectAllRows();
    grid.SelectRow(1);
    tabs.setCurrentIndex(1);
    auto* page = tabs.widget(1)->findChild<CTreeGridWidget*>();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(tabs.widget(1)->focusProxy(), page);
    EXPECT_EQ(page->GridModel().rowCount(), 2);
    const QModelIndexList selected = page->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(page->GridModel().GridRow(selected[0]), 1);
    EXPECT_EQ(&tabs.Grid(1), page);
}

TEST_F(Widgets, undoing_a_deleted_conditional_script_brings_its_page_back) {
    CXALScripEditTabWidget tabs(view);
    view.SetScript(WidgetScript());
    view.CloseTab(1);
    ASSERT_EQ(tabs.count(), 1);
    view.OnCommand(XalCmd::Undo);
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), QStringLiteral("Conditional script: C"));
    EXPECT_EQ(tabs.currentIndex(), 1);
    EXPECT_EQ(tabs.Grid(1).GridModel().rowCount(), 2);
}
