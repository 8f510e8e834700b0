#pragma once
// The flexible-parameter invariant across all tabs: the numbered placeholders the rows show
// are exactly 0..count-1 and each has exactly one list entry; no entry stands for another text.

#include "basescriptview.h"
#include "flexibletext.h"
#include "specialvars.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

inline ::testing::AssertionResult FlexibleInvariantHolds(const CXALScripEditView& view) {
    std::set<int> shown;
    for (int t = 0; t < view.GetTabCount(); ++t) {
        const CMyTreeGridCtrl& grid = view.GetTabView(t)->Grid();
        for (int i = 0; i < grid.GetRowCount(); ++i) {
            for (const int n : PlaceholderNumbersIn(
                     grid.Row(i).m_cells[i == grid.GetURLRowOf(i) ? 0 : 1].strText))
                shown.insert(n);
        }
    }
    std::map<int, int> entries;
    for (const CFindReplaceObj& entry : view.Document().FlexibleParameters())
        ++entries[FlexibleParameterNumber(entry.m_strReplace)];
    std::set<int> expected;
    for (int n = 0; n < view.Document().FlexibleCount(); ++n) {
        expected.insert(n);
        if (entries[n] != 1)
            return ::testing::AssertionFailure()
                   << "number " << n << ": " << entries[n] << " entries";
    }
    if (shown != expected || entries.size() != expected.size())
        return ::testing::AssertionFailure() << "shown " << shown.size() << ", entries "
                                             << entries.size() << ", count " << expected.size();
    return ::testing::AssertionSuccess();
}
