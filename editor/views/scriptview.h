#pragma once
// The main-script view: tab 0 of the tab view, view kind 0.

#include "basescriptview.h"

#include <vector>

// One request a recording delivered: the full URL, its POST data and its method (0 GET,
// 1 POST, 2 the third kind).
struct CRecordedURL {
    QString strURL;
    QString strPostData;
    int nMethod = 0;
};

class CScriptView final : public CBaseScriptView {
public:
    explicit CScriptView(CXALScripEditView& tabView) : CBaseScriptView(tabView, 0) {}

    // Builds the rows of the main script; selects row 0 and makes it current. The second form
    // takes the script's texts and frees its URLs as it goes.
    void FillScript(const CSubscriptObj& subscript);
    void FillScript(CSubscriptObj&& subscript);
    // Also takes the root URL from the first URL row and flexible parameters from addresses.
    void CollectScript(CScriptObj& script, CSubscriptObj& subscript) override;
    // Appends recorded requests as URL rows with their parameters, in order, and selects the
    // last row. Entries whose URL does not parse are skipped (and traced).
    void AppendRecordedURLs(const std::vector<CRecordedURL>& list);
    // Asks string 26 and closes the main window on Yes.
    void OnClose() override;

    [[nodiscard]] bool CanMoveUp() const override;
    [[nodiscard]] bool CanMoveDown() const override;

protected:
    void PrepareURLRow(const CURLObj& url, CGridRow& row, bool bFirst) override;

private:
    void Fill(const CSubscriptObj& subscript, CSubscriptObj* pOwned);
};
