#include "xalscripteditview.h"

#include "admtools.h"
#include "basescriptview.h"
#include "commandids.h"
#include "flexibletext.h"
#include "messages.h"
#include "mytreegridctrl.h"
#include "qjtrace.h"
#include "scriptview.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "undohistory.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalstrings.h"

CXALScripEditView::CXALScripEditView(IViewHost& host, CXALScripEditDoc& document)
    : m_host(host), m_doc(document) {
    AddTab(std::make_unique<CScriptView>(*this), XalString(124));
    m_doc.SetScriptCollector([this](CScriptObj& script) { CollectTabs(script); });
    m_history = std::make_unique<CUndoHistory>(*this, m_doc);
}

CXALScripEditView::~CXALScripEditView() {
    m_doc.SetScriptCollector({});
}

void CXALScripEditView::AddTab(std::unique_ptr<CBaseScriptView> view, const QString& strCaption) {
    m_tabs.push_back(Tab{std::move(view), strCaption});
    if (m_pObserver != nullptr)
        m_pObserver->OnTabAdded(GetTabCount() - 1);
}

CSubscriptView& CXALScripEditView::InsertConditionalTab(int nIndex, const QString& strName,
                                                        const QByteArray& baExtraFields) {
    nIndex = std::clamp(nIndex, 1, GetTabCount());
    auto view = std::make_unique<CSubscriptView>(*this);
    CSubscriptView& rView = *view;
    CSubscriptObj identity;
    identity.m_baExtraFields = baExtraFields;
    rView.FillScript(strName, identity);
    m_tabs.insert(m_tabs.begin() + nIndex, Tab{std::move(view), XalFormat(125, strName)});
    if (m_nActiveTab >= nIndex)
        ++m_nActiveTab;
    if (m_pObserver != nullptr)
        m_pObserver->OnTabAdded(nIndex);
    return rView;
}

void CXALScripEditView::RemoveTab(int nIndex) {
    if (nIndex <= 0 || nIndex >= GetTabCount())
        return;
    if (m_pObserver != nullptr)
        m_pObserver->OnTabRemoving(nIndex);
    // Keep the view alive until it is out of the list, in case its destructor calls back.
    std::unique_ptr<CBaseScriptView> view =
        std::move(m_tabs[static_cast<std::size_t>(nIndex)].view);
    m_tabs.erase(m_tabs.begin() + nIndex);
    if (m_nActiveTab >= nIndex)
        SetActiveTab(
            std::min(m_nActiveTab == nIndex ? nIndex - 1 : m_nActiveTab - 1, GetTabCount() - 1));
}

int CXALScripEditView::GetTabCount() const {
    return static_cast<int>(m_tabs.size());
}

QString CXALScripEditView::GetTabCaption(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetTabCount())
        return {};
    return m_tabs[static_cast<std::size_t>(nIndex)].strCaption;
}

CBaseScriptView* CXALScripEditView::GetTabView(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetTabCount())
        return nullptr;
    return m_tabs[static_cast<std::size_t>(nIndex)].view.get();
}

CScriptView& CXALScripEditView::GetMainView() const {
    return static_cast<CScriptView&>(*m_tabs.front().view);
}

void CXALScripEditView::SetActiveTab(int nIndex) {
    if (nIndex < 0 || nIndex >= GetTabCount())
        return;
    m_nActiveTab = nIndex;
    if (m_pObserver != nullptr)
        m_pObserver->OnActiveTabChanged(nIndex);
    const bool bConditional = nIndex > 0;
    if (bConditional != m_bConditionalButton) {
        m_bConditionalButton = bConditional;
        m_host.SetConditionalScriptButton(bConditional);
    }
}

void CXALScripEditView::SetScript(const CScriptObj& script, bool recovered) {
    Fill(script, nullptr, recovered);
}

void CXALScripEditView::SetScript(CScriptObj&& script, bool recovered) {
    Fill(script, &script, recovered);
}

void CXALScripEditView::Fill(const CScriptObj& script, CScriptObj* pOwned, bool recovered) {
    SetActiveTab(0);
    while (GetTabCount() > 1) {
        GetTabView(1)->Grid().RemoveAll();
        RemoveTab(1);
    }
    SetActiveTab(0);
    GetMainView().Grid().RemoveAll();

    m_doc.SetFromScript(script, recovered);

    bool bMainFilled = false;
    for (std::size_t i = 0; i < script.m_lstScripts.size(); ++i) {
        const CSubscriptObj& subscript = script.m_lstScripts[i];
        CSubscriptObj* pTake = pOwned != nullptr ? &pOwned->m_lstScripts[i] : nullptr;
        if (subscript.m_nKind == 0) {
            if (!bMainFilled) {
                if (pTake != nullptr)
                    GetMainView().FillScript(std::move(*pTake));
                else
                    GetMainView().FillScript(subscript);
            }
            bMainFilled = true;
        } else if (subscript.m_nKind == 1) {
            auto view = std::make_unique<CSubscriptView>(*this);
            CSubscriptView& rView = *view;
            AddTab(std::move(view), XalFormat(125, subscript.m_strName));
            if (pTake != nullptr)
                rView.FillScript(subscript.m_strName, std::move(*pTake));
            else
                rView.FillScript(subscript.m_strName, subscript);
        }
    }
    m_history->Reset();
}

void CXALScripEditView::GetScriptList(CScriptObj& script) {
    m_doc.CollectScript(script);
}

void CXALScripEditView::CollectTabs(CScriptObj& script) {
    SetActiveTab(0);
    CSubscriptObj mainScript;
    mainScript.m_nKind = 0;
    GetMainView().CollectScript(script, mainScript);
    script.m_lstScripts.push_back(std::move(mainScript));
    for (int i = 1; i < GetTabCount(); ++i) {
        CBaseScriptView* pView = GetTabView(i);
        CSubscriptObj subscript;
        subscript.m_nKind = 1;
        subscript.m_strName = pView->GetName();
        pView->CollectScript(script, subscript);
        script.m_lstScripts.push_back(std::move(subscript));
    }
}

bool CXALScripEditView::SaveModified() {
    if (!m_doc.IsModified())
        return true;
    if (GetMainView().Grid().GetRowCount() == 0) {
        // Without a URL in the main script the e-script cannot be saved; only leaving is offered.
        if (m_host.Messages().Ask(XalFormat(158, m_doc.Title()), MsgButtons::YesNo,
                                  MsgIcon::Question) != MsgAnswer::Yes)
            return false;
        m_doc.RemoveRecovery();
        return true;
    }
    switch (m_host.Messages().Ask(XalString(135), MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        // A failed save keeps the editor open with its changes.
        return m_host.SaveAccount();
    case MsgAnswer::No:
        // The changes are given up on purpose: nothing to offer at the next start.
        m_doc.RemoveRecovery();
        return true;
    default:
        return false;
    }
}

void CXALScripEditView::AddConditionalTab(const QString& strName, const CSubscriptObj& subscript) {
    const CUndoStepGuard step(*m_history);
    auto view = std::make_unique<CSubscriptView>(*this);
    CSubscriptView& rView = *view;
    AddTab(std::move(view), XalFormat(125, strName));
    SetActiveTab(GetTabCount() - 1);
    rView.FillScript(strName, subscript);
}

bool CXALScripEditView::DeleteConditionalScript(const CBaseScriptView& view) {
    // The tab is found by its view: two conditional scripts may share a name (an unnamed one
    // loads as ""), and only the one asked for may go.
    int nIndex = -1;
    for (int i = 1; i < GetTabCount() && nIndex < 0; ++i) {
        if (GetTabView(i) == &view)
            nIndex = i;
    }
    if (nIndex < 0)
        return false;
    const CUndoStepGuard step(*m_history);
    if (m_host.Messages().Ask(XalFormat(140, view.GetName()), MsgButtons::YesNo,
                              MsgIcon::Question) != MsgAnswer::Yes)
        return false;
    static_cast<CSubscriptView*>(GetTabView(nIndex))->ReleaseFlexibleParameters();
    RemoveTab(nIndex);
    m_doc.SetModified(true);
    return true;
}

void CXALScripEditView::AddAvailableDomain(const QString& strURL) {
    m_doc.AddAvailableDomain(CAdmTools::GetServer(strURL));
}

void CXALScripEditView::NoteFlexibleNumber(const QString& strText) {
    // The count must end up above every number in use, or the next new placeholder would
    // take a number that already stands for another value.
    const int nNumber = PlaceholderNumber(strText);
    if (nNumber >= 0 && nNumber + 1 > m_doc.FlexibleCount())
        m_doc.SetFlexibleCount(nNumber + 1);
}

void CXALScripEditView::AddFlexibleParameter(const QString& strParameter,
                                             const QString& strVariable) {
    m_doc.AddFlexibleParameter(strParameter, strVariable);
}

void CXALScripEditView::RemoveFlexibleParameter(const QString& strVariable) {
    m_doc.RemoveFlexibleParameter(strVariable);
}

void CXALScripEditView::UpdateAllScripts(const CSpreadRequest& request) {
    for (const Tab& tab : m_tabs)
        tab.view->SpreadFlexibleParameter(request);
}

bool CXALScripEditView::IsUsedInAnyScript(const QString& strText) const {
    return std::any_of(m_tabs.begin(), m_tabs.end(),
                       [&](const Tab& tab) { return tab.view->FindTextInRows(strText); });
}

void CXALScripEditView::RenumberFlexibleParameters(int nFrom) {
    const int nFirst = std::max(nFrom, 1);
    const int nCount = m_doc.FlexibleCount();
    for (int n = nFirst; n < nCount; ++n)
        m_doc.RenameFlexibleParameter(FlexibleParameterName(n), FlexibleParameterName(n - 1));
    // Each number moves down once; one pass over each view's rows does them all.
    for (const Tab& tab : m_tabs)
        tab.view->ShiftPlaceholders(nFirst, nCount);
}

void CXALScripEditView::ReleasePlaceholder(int nMode, const QString& strText) {
    if (nMode != 1 && nMode != 2 && nMode != kURLFlexibleFlags)
        return;
    // A released text may hold the placeholder inside other text (a value spread by a
    // separator); the placeholder itself is what is freed.
    const QString strPlaceholder = CAdmTools::ExtractSpecialVariable(strText);
    const int nNumber = FlexibleParameterNumber(strPlaceholder);
    if (nNumber < 0 || IsUsedInAnyScript(strPlaceholder))
        return;
    // The entry goes before renumbering: afterwards the next placeholder carries its name.
    // Every entry of the number goes, so that no stale duplicate is renamed onto another.
    const auto& list = m_doc.FlexibleParameters();
    while (std::any_of(list.begin(), list.end(), [&](const CFindReplaceObj& entry) {
        return entry.m_strReplace == strPlaceholder;
    }))
        RemoveFlexibleParameter(strPlaceholder);
    const int nCount = m_doc.FlexibleCount();
    if (nNumber >= nCount)
        return;
    if (nNumber + 1 != nCount)
        RenumberFlexibleParameters(nNumber + 1);
    m_doc.SetFlexibleCount(nCount - 1);
}

void CXALScripEditView::ReleaseUnshownPlaceholders() {
    // One pass finds every number some row shows (rows in a dialog do not count, as in
    // IsUsedInAnyScript); only the others are released.
    std::vector<bool> shown(static_cast<std::size_t>(std::max(m_doc.FlexibleCount(), 0)));
    for (const Tab& tab : m_tabs) {
        const CMyTreeGridCtrl& grid = tab.view->Grid();
        bool bSkipBlock = false;
        for (int i = 0; i < grid.GetRowCount(); ++i) {
            const CGridRow& row = grid.Row(i);
            if (row.IsURLRow())
                bSkipBlock = (row.m_nData & RowBits::kInDialog) != 0;
            if (bSkipBlock || (row.m_nData & RowBits::kInDialog) != 0)
                continue;
            for (const int n : PlaceholderNumbersIn(row.m_cells[row.IsURLRow() ? 0 : 1].strText)) {
                if (n < static_cast<int>(shown.size()))
                    shown[static_cast<std::size_t>(n)] = true;
            }
        }
    }
    // Highest first: a release renumbers only the numbers above the freed one, which have
    // all been looked at already.
    for (int n = static_cast<int>(shown.size()) - 1; n >= 0; --n) {
        if (!shown[static_cast<std::size_t>(n)])
            ReleasePlaceholder(2, FlexibleParameterName(n));
    }
}

void CXALScripEditView::ReleasePlaceholdersIn(const QString& strText) {
    // Highest first, so that the numbers still to be released are not renumbered under us.
    for (const int nNumber : PlaceholderNumbersIn(strText))
        ReleasePlaceholder(2, FlexibleParameterName(nNumber));
}

COLORREF CXALScripEditView::GetServerColor(const QString& strServer) {
    return CAdmTools::GetServerColor(strServer, m_lstServerColors, m_nColorIndex);
}

void CXALScripEditView::OnRecordedURLs(const std::vector<CRecordedURL>& list) {
    const CUndoStepGuard step(*m_history);
    SetActiveTab(0);
    GetMainView().AppendRecordedURLs(list);
}

void CXALScripEditView::CloseTab(int nIndex) {
    CBaseScriptView* pView = GetTabView(nIndex);
    if (pView == nullptr)
        return;
    const CUndoStepGuard step(*m_history);
    SetActiveTab(nIndex);
    pView->OnClose();
}

bool CXALScripEditView::IsCommandEnabled(int nCommand) const {
    const bool bReady = m_doc.IsLoaded() && !m_host.IsRecording();
    switch (nCommand) {
    case XalCmd::Undo:
        return bReady && m_history->CanUndo();
    case XalCmd::Redo:
        return bReady && m_history->CanRedo();
    case XalCmd::Copy:
        return CanCopy();
    case XalCmd::Cut:
        return CanCut();
    case XalCmd::Paste:
        return bReady && !m_history->IsInStep();
    default:
        break;
    }
    const CBaseScriptView* pView = ActiveView();
    return pView != nullptr && pView->IsCommandEnabled(nCommand);
}

void CXALScripEditView::OnCommand(int nCommand) {
    switch (nCommand) {
    case XalCmd::Undo:
        m_history->Undo();
        return;
    case XalCmd::Redo:
        m_history->Redo();
        return;
    case XalCmd::Copy:
        CopyURLs();
        return;
    case XalCmd::Cut:
        CutURLs();
        return;
    case XalCmd::Paste:
        PasteURLs();
        return;
    default:
        break;
    }
    if (CBaseScriptView* pView = ActiveView())
        OnCommand(*pView, nCommand);
}

void CXALScripEditView::OnCommand(CBaseScriptView& view, int nCommand) {
    if (nCommand == XalCmd::Undo || nCommand == XalCmd::Redo || nCommand == XalCmd::Copy ||
        nCommand == XalCmd::Cut || nCommand == XalCmd::Paste) {
        OnCommand(nCommand);
        return;
    }
    const CUndoStepGuard step(*m_history);
    view.OnCommand(nCommand);
}
