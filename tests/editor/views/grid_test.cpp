// Grid operations over rows in display order.

#include "mytreegridctrl.h"

#include <gtest/gtest.h>

namespace {
CGridRow UrlRow(const QString& label) {
    CGridRow row;
    row.m_cells[0].strText = label;
    row.m_nData = RowBits::kURL;
    return row;
}

CGridRow ParamRow(const QString& name, const QString& value) {
    CGridRow row;
    row.m_cells[0].strText = name;
    row.m_cells[1].strText = value;
    row.m_nData = RowBits::kParam;
    return row;
}

// Rows: 0 A, 1 a1, 2 a2, 3 B, 4 C, 5 c1.
class TreeGrid : public ::testing::Test {
protected:
    void SetUp() override {
        const int a = grid.AddURLRow(UrlRow(QStringLiteral("http://a/")));
        grid.AddSubRow(a, ParamRow(QStringLiteral("a1"), QStringLiteral("x")));
        grid.AddSubRow(a, ParamRow(QStringLiteral("a2"), QStringLiteral("y")));
        grid.AddURLRow(UrlRow(QStringLiteral("http://b/")));
        const int c = grid.AddURLRow(UrlRow(QStringLiteral("http://c/")));
        grid.AddSubRow(c, ParamRow(QStringLiteral("c1"), QStringLiteral("z")));
    }
    CMyTreeGridCtrl grid;
};
} // namespace

TEST_F(TreeGrid, structure_is_two_level_in_display_order) {
    ASSERT_EQ(grid.GetRowCount(), 6);
    EXPECT_EQ(grid.GetParentRow(2), 0);
    EXPECT_EQ(grid.GetParentRow(3), -1);
    EXPECT_EQ(grid.GetURLRowOf(5), 4);
    EXPECT_EQ(grid.GetSubRowCount(0), 2);
    EXPECT_EQ(grid.GetSubRowCount(3), 0);
    // A parameter added to the first URL goes after its last parameter, not at the end.
    EXPECT_EQ(grid.AddSubRow(0, ParamRow(QStringLiteral("a3"), {})), 3);
    EXPECT_EQ(grid.Row(4).m_cells[0].strText, QStringLiteral("http://b/"));
    // Records sit on cell 0 of URL rows and cell 1 of parameter rows.
    EXPECT_EQ(grid.Row(0).m_nRecordCell, 0);
    EXPECT_EQ(grid.Row(1).m_nRecordCell, 1);
}

TEST_F(TreeGrid, insert_refuses_positions_inside_a_block) {
    EXPECT_EQ(grid.InsertURLRow(2, UrlRow(QStringLiteral("x"))), -1);
    EXPECT_EQ(grid.AddSubRow(1, ParamRow(QStringLiteral("p"), {})), -1);
    EXPECT_EQ(grid.InsertURLRow(3, UrlRow(QStringLiteral("x"))), 3);
    EXPECT_EQ(grid.GetRowCount(), 7);
}

TEST_F(TreeGrid, block_end_is_last_row_of_block_or_row_count_for_last_block) {
    EXPECT_EQ(grid.GetBlockEnd(0), 2);
    EXPECT_EQ(grid.GetBlockEnd(3), 3);
    EXPECT_EQ(grid.GetBlockEnd(4), 6);
    EXPECT_EQ(grid.GetBlockEnd(1), 2); // a parameter row stands for its URL's block
}

TEST_F(TreeGrid, remove_takes_sub_rows_and_keeps_current_row_on_same_row) {
    grid.SetCurrentRow(4);
    EXPECT_EQ(grid.RemoveRowWithSubRows(0), 3);
    EXPECT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(grid.GetCurrentRow(), 1);
    EXPECT_EQ(grid.Row(grid.GetCurrentRow()).m_cells[0].strText, QStringLiteral("http://c/"));
    EXPECT_EQ(grid.RemoveRowWithSubRows(2), 1); // a single parameter row
    EXPECT_EQ(grid.RemoveRowWithSubRows(7), 0);
}

TEST_F(TreeGrid, selection_operations) {
    EXPECT_EQ(grid.GetFirstSelectedRow(), -1);
    grid.SelectRow(4);
    grid.SelectRow(2);
    EXPECT_EQ(grid.GetFirstSelectedRow(), 2);
    EXPECT_EQ(grid.GetSelectedRowCount(), 2);
    grid.DeselectAllRows();
    EXPECT_EQ(grid.GetSelectedRowCount(), 0);
}

TEST_F(TreeGrid, selected_records_never_include_row_zero_and_stay_valid_across_removal) {
    grid.SelectRow(0);
    grid.SelectRow(1);
    grid.SelectRow(4);
    grid.SelectRow(5);
    const auto records = grid.GetSelectedRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], grid.Row(1).m_pRecord.get());
    EXPECT_EQ(grid.FindRowOfRecord(records[1]), 4);
    grid.RemoveRowWithSubRows(1);
    EXPECT_EQ(grid.FindRowOfRecord(records[1]), 3);
    grid.RemoveRowWithSubRows(3);
    EXPECT_EQ(grid.FindRowOfRecord(records[2]), -1);
}

TEST_F(TreeGrid, delete_is_refused_with_first_url_or_empty_selection) {
    EXPECT_FALSE(grid.CanDeleteSelection(false));
    grid.SelectRow(1); // a parameter of the first URL may go
    EXPECT_TRUE(grid.CanDeleteSelection(false));
    grid.SelectRow(0);
    EXPECT_FALSE(grid.CanDeleteSelection(false));
    EXPECT_FALSE(grid.CanDeleteSelection(true));
}

TEST_F(TreeGrid, conditional_delete_keeps_one_url_after_the_condition_url) {
    grid.SelectRow(3);
    EXPECT_TRUE(grid.CanDeleteSelection(true));
    grid.SelectRow(4);
    EXPECT_TRUE(grid.CanDeleteSelection(false));
    EXPECT_FALSE(grid.CanDeleteSelection(true));
    grid.SelectRow(4, false);
    grid.SelectRow(5); // parameters do not count as URLs
    EXPECT_TRUE(grid.CanDeleteSelection(true));
}

TEST_F(TreeGrid, find_text_looks_at_shown_cells_and_skips_blocks_in_a_dialog) {
    EXPECT_TRUE(grid.FindTextInRows(QStringLiteral("//b")));
    EXPECT_TRUE(grid.FindTextInRows(QStringLiteral("z")));
    EXPECT_FALSE(grid.FindTextInRows(QStringLiteral("c1"))); // parameter names are not searched
    EXPECT_FALSE(grid.FindTextInRows(QStringLiteral("Z")));
    grid.Row(4).m_nData |= RowBits::kInDialog;
    EXPECT_FALSE(grid.FindTextInRows(QStringLiteral("z")));
    EXPECT_FALSE(grid.FindTextInRows(QStringLiteral("http://c/")));
    EXPECT_TRUE(grid.FindTextInRows(QStringLiteral("y")));
    // A parameter row in a dialog of its own is skipped too, its neighbours are not.
    grid.Row(2).m_nData |= RowBits::kInDialog;
    EXPECT_FALSE(grid.FindTextInRows(QStringLiteral("y")));
    EXPECT_TRUE(grid.FindTextInRows(QStringLiteral("x")));
}

TEST_F(TreeGrid, merge_expand_collapse_and_colour) {
    grid.MergeURLRows(3);
    EXPECT_FALSE(grid.Row(0).m_bMerged);
    EXPECT_TRUE(grid.Row(3).m_bMerged);
    EXPECT_TRUE(grid.Row(4).m_bMerged);
    EXPECT_FALSE(grid.Row(5).m_bMerged);
    grid.UnmergeAll();
    EXPECT_FALSE(grid.Row(4).m_bMerged);
    grid.CollapseAll();
    EXPECT_FALSE(grid.Row(0).m_bExpanded);
    EXPECT_FALSE(grid.Row(4).m_bExpanded);
    grid.ExpandAll();
    EXPECT_TRUE(grid.Row(3).m_bExpanded);
    grid.SetRowColor(2, 0x123456);
    EXPECT_EQ(grid.Row(2).m_crBackground, 0x123456u);
}

TEST(GridImages, method_read_back_from_icon) {
    for (int method = 0; method <= 2; ++method) {
        EXPECT_EQ(GridImage::Method(GridImage::ForURL(method)), method);
        EXPECT_EQ(GridImage::Method(GridImage::ForParam(method)), method);
    }
    EXPECT_EQ(GridImage::ForURL(1), 2);
    EXPECT_EQ(GridImage::ForParam(1), 3);
    EXPECT_EQ(GridImage::ForParam(2), 4);
    EXPECT_EQ(GridImage::ForURL(3), -1);
    EXPECT_EQ(GridImage::Method(-1), -1);
}

namespace {
struct CountingObserver final : IGridObserver {
    void OnGridReset() override { ++resets; }
    void OnRowChanged(int) override { ++changes; }
    void OnSelectionChanged() override { ++selections; }
    int resets = 0;
    int changes = 0;
    int selections = 0;
};
} // namespace

TEST_F(TreeGrid, update_block_batches_into_one_reset) {
    CountingObserver observer;
    grid.SetObserver(&observer);
    {
        const CGridUpdateBlock block(grid);
        for (int i = 0; i < 5; ++i)
            grid.AddURLRow(UrlRow(QStringLiteral("u")));
        grid.SelectRow(2);
        grid.SetCellText(1, 1, QStringLiteral("v"));
    }
    EXPECT_EQ(observer.resets, 1);
    EXPECT_EQ(observer.changes, 0);
    grid.SetCellText(1, 1, QStringLiteral("w"));
    EXPECT_EQ(observer.changes, 1);
    grid.SetObserver(nullptr);
}
