#pragma once
// Texts of the dialogs that have no number in the string table (combo entries, labels). They
// go through the same translation context as the numbered strings.

#include <QString>

[[nodiscard]] QString DialogText(const char* english);
