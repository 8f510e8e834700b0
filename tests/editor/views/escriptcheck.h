#pragma once
// Checks over a whole e-script for the view tests: the flexible-parameter invariant across all
// tabs, a text form of a collected e-script to compare, and the round trip through the stored
// document layout.

#include "scriptmodel.h"

#include <QString>

class CXALScripEditView;

// Empty when the flexible parameters are consistent: the numbers in use are exactly
// 0..count-1, each has exactly one list entry, and no row shows a number without an entry.
[[nodiscard]] QString CheckFlexibleInvariant(const CXALScripEditView& view);

// Every field of an e-script that the save writes, one URL a line.
[[nodiscard]] QString DescribeScript(const CScriptObj& script);

// Collects the view, builds the stored document, reads it back into a fresh view and collects
// that: empty when both give the same stored document, else both descriptions.
[[nodiscard]] QString CheckRoundTrip(CXALScripEditView& view);
