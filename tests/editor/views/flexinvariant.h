#pragma once
// The flexible-parameter invariant across all tabs: the numbered placeholders the rows show
// are exactly 0..count-1, each has exactly one list entry, and no entry is for another number.

#include "basescriptview.h"
#include "flexibletext.h"
#include "specialvars.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

inline ::testing::AssertionResult FlexibleInvariantHolds(const CXALScripEditView& view) {
    const CXALScripEditDoc& doc = view.Document();
    const int nCount = doc.FlexibleCount();
    std::set<int> shown;
    for (int t = 0; t < view.GetTabCount(); ++t) {
        const CMyTreeGridCtrl& grid = view.GetTabView(t)->Grid();
        for (int i = 0; i < grid.GetRowCount(); ++i) {
            const QString& strText = grid.Row(i).m_cells[grid.IsURLRow(i) ? 0 : 1].strText;
            for (const int n : PlaceholderNumbersIn(strText))
                shown.insert(n);
        }
    }
    std::map<int, int> entries;
    for (const CFindReplaceObj& entry : doc.FlexibleParameters()) {
        const int n = FlexibleParameterNumber(entry.m_strReplace);
        if (n < 0)
            return ::testing::AssertionFailure()
                   << "entry without a numbered placeholder: " << entry.m_strReplace.toStdString();
        ++entries[n];
    }
    for (int n = 0; n < nCount; ++n) {
        if (shown.count(n) == 0)
            return ::testing::AssertionFailure() << "no row shows number " << n;
        if (entries[n] != 1)
            return ::testing::AssertionFailure()
                   << "number " << n << " has " << entries[n] << " entries";
    }
    if (!shown.empty() && *shown.rbegin() >= nCount)
        return ::testing::AssertionFailure()
               << "a row shows number " << *shown.rbegin() << " with a count of " << nCount;
    if (!entries.empty() && entries.rbegin()->first >= nCount)
        return ::testing::AssertionFailure() << "an entry for number " << entries.rbegin()->first
                                             << " with a count of " << nCount;
    return ::testing::AssertionSuccess();
}
