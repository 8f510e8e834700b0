#pragma once
// A conditional-script view, view kind 1. Row 0 is the condition URL (mark 0x1000, amber);
// every further URL row carries 0x2000.

#include "basescriptview.h"

// Background of the condition URL's block (COLORREF, an amber).
inline constexpr COLORREF kConditionURLColor = 0x44CEFF;

// Record flags of a conditional script's URL row with this label: flexible condition, flexible
// parameter or none.
[[nodiscard]] int ConditionalURLFlags(const QString& strLabel);

class CSubscriptView final : public CBaseScriptView {
public:
    explicit CSubscriptView(CXALScripEditView& tabView) : CBaseScriptView(tabView, 1) {}

    // Builds the rows; selects row 0. The second form takes the script's texts and frees its
    // URLs as it goes.
    void FillScript(const QString& strName, const CSubscriptObj& subscript);
    void FillScript(const QString& strName, CSubscriptObj&& subscript);
    // URL flags and parameter bits come from the records; no root URL, no address parameters.
    void CollectScript(CScriptObj& script, CSubscriptObj& subscript) override;
    // Runs DeleteConditionalScript of the tab view.
    void OnClose() override;
    bool OnCommand(int nCommand) override;
    // Frees every placeholder the rows hold that no other view shows, before the tab goes.
    void ReleaseFlexibleParameters();
    [[nodiscard]] const QByteArray& GetExtraFields() const { return m_baExtraFields; }
    // Flexible condition (32788) and Reset flexible condition (32790) on the first selected row.
    void OnFlexibleCondition();
    void OnResetFlexibleCondition();

    [[nodiscard]] bool CanMoveUp() const override;
    [[nodiscard]] bool CanMoveDown() const override;

protected:
    void PrepareURLRow(const CURLObj& url, CGridRow& row, bool bFirst) override;
    [[nodiscard]] int SpreadStartRow() const override;
    [[nodiscard]] bool Implements(int nCommand) const override;

private:
    void Fill(const QString& strName, const CSubscriptObj& subscript, CSubscriptObj* pOwned);
    void MakeURLConditionFlexible(int nRow);
    void MakeParameterConditionFlexible(int nRow);
    void ResetURLCondition(int nRow);
    void ResetParameterCondition(int nRow);

    // The conditional script's own stored fields the editor does not know (a BSON document).
    QByteArray m_baExtraFields;
};
