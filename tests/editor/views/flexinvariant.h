#pragma once
// The flexible-parameter invariant across all tabs as a GoogleTest assertion (the check itself
// is CheckFlexibleInvariant), and a fixture that runs view commands checking it around each.

#include "basescriptview.h"
#include "escriptcheck.h"
#include "fakehost.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

inline ::testing::AssertionResult FlexibleInvariantHolds(const CXALScripEditView& view) {
    const QString problems = CheckFlexibleInvariant(view);
    if (problems.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problems.toStdString();
}

class FlexibleCommandTest : public ::testing::Test {
protected:
    // Selects one row of a tab and runs a command on it; the invariant holds before and after.
    void Run(int nTab, int nRow, int nCommand) {
        ASSERT_TRUE(FlexibleInvariantHolds(view));
        view.SetActiveTab(nTab);
        view.GetTabView(nTab)->Grid().DeselectAllRows();
        view.GetTabView(nTab)->Grid().SelectRow(nRow);
        view.OnCommand(nCommand);
        EXPECT_TRUE(FlexibleInvariantHolds(view));
    }
    [[nodiscard]] const CMyTreeGridCtrl& Grid(int nTab) const {
        return view.GetTabView(nTab)->Grid();
    }
    // Cell 0 of a URL row, cell 1 of a parameter row.
    [[nodiscard]] QString Cell(int nTab, int nRow) const {
        return Grid(nTab).Row(nRow).m_cells[Grid(nTab).IsURLRow(nRow) ? 0 : 1].strText;
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};
