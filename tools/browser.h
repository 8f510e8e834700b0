#pragma once

#include <QString>

// Opens url in the desktop's default browser without waiting for it. The environment
// variable XAL_BROWSER names another command to use (the address becomes its last word),
// which keeps test runs from opening a real browser.
bool OpenInBrowser(const QString& url);
