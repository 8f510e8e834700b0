#pragma once
// URL blocks as clipboard text: one complete URL a line, the parameters that travel in the URL
// in its query, those of the POST body after a tab as name=value&... Paste reads such lines,
// or plain URLs, by the rules the URL dialog takes a pasted URL by.

#include "mytreegridctrl.h"
#include "scriptmodel.h"

#include <QString>
#include <QStringList>

#include <vector>

// The line of the URL block that starts at nURLRow.
[[nodiscard]] QString URLBlockLine(const CMyTreeGridCtrl& grid, int nURLRow);

struct CClipboardURLs {
    std::vector<CURLObj> urls;
    QStringList refused; // lines (as checked) that hold no URL
    // The kind of internal variable the first refused line holds, empty when it holds none.
    QString strFirstRefusedKind;
};
[[nodiscard]] CClipboardURLs URLsFromClipboardText(const QString& text);
