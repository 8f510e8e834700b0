#pragma once
// The flexible-parameter invariant across all tabs as a GoogleTest assertion (the check itself
// is CheckFlexibleInvariant).

#include "basescriptview.h"
#include "escriptcheck.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

inline ::testing::AssertionResult FlexibleInvariantHolds(const CXALScripEditView& view) {
    const QString problems = CheckFlexibleInvariant(view);
    if (problems.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problems.toStdString();
}
