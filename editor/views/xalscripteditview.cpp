#include "xalscripteditview.h"

#include "admtools.h"
#include "basescriptview.h"
#include "messages.h"
#include "qjtrace.h"
#include "scriptview.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "viewhost.h"
#include "xalstrings.h"

CXALScripEditView::CXALScripEditView(IViewHost& host) : m_host(host) {
    AddTab(std::make_unique<CScriptView>(*this), XalString(124));
}

CXALScripEditView::~CXALScripEditView() = default;

void CXALScripEditView::AddTab(std::unique_ptr<CBaseScriptView> view, const QString& strCaption) {
    m_tabs.push_back(Tab{std::move(view), strCaption});
    if (m_pObserver != nullptr)
        m_pObserver->OnTabAdded(GetTabCount() - 1);
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

void CXALScripEditView::SetScript(const CScriptObj& script) {
    SetActiveTab(0);
    while (GetTabCount() > 1) {
        GetTabView(1)->Grid().RemoveAll();
        RemoveTab(1);
    }
    SetActiveTab(0);
    GetMainView().Grid().RemoveAll();

    m_strID = script.m_strID;
    m_strLogonUser = script.m_strLogonUser;
    m_strLogonPW = script.m_strLogonPW;
    m_strRootURL = script.m_strRootURL;
    m_strServer = script.m_strServer;
    m_nInternetProtocol = script.m_nInternetProtocol;
    m_lstDomainAvailable = script.m_lstDomainAvailable;
    m_lstDomain = script.m_lstDomain;
    m_lstFlexibleParameters = script.m_lstURLParameter;
    m_nFlexibleCount = static_cast<int>(m_lstFlexibleParameters.size());

    bool bMainFilled = false;
    for (const CSubscriptObj& subscript : script.m_lstScripts) {
        if (subscript.m_nKind == 0) {
            if (!bMainFilled)
                GetMainView().FillScript(subscript);
            bMainFilled = true;
        } else if (subscript.m_nKind == 1) {
            auto view = std::make_unique<CSubscriptView>(*this);
            CSubscriptView& rView = *view;
            AddTab(std::move(view), XalFormat(125, subscript.m_strName));
            rView.FillScript(subscript.m_strName, subscript);
        }
    }
}

void CXALScripEditView::GetScriptList(CScriptObj& script) {
    QJTrace(6, QString::fromUtf16(kTraceSource),
            QJTraceFormat(QStringLiteral("GetScriptList: User '%s' PWD: '%s'"),
                          {m_strLogonUser, QJTraceMaskPassword(m_strLogonPW)}));
    script.m_strID = m_strID;
    script.m_strRootURL = m_strRootURL;
    script.m_strServer = m_strServer;
    script.m_nInternetProtocol = m_nInternetProtocol;
    if (!m_strLogonUser.isEmpty())
        script.m_strLogonUser = m_strLogonUser;
    if (!m_strLogonPW.isEmpty())
        script.m_strLogonPW = m_strLogonPW;

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
    script.m_lstDomainAvailable += m_lstDomainAvailable;
    script.m_lstDomain += m_lstDomain;
}

void CXALScripEditView::AddConditionalTab(const QString& strName, const CSubscriptObj& subscript) {
    auto view = std::make_unique<CSubscriptView>(*this);
    CSubscriptView& rView = *view;
    AddTab(std::move(view), XalFormat(125, strName));
    SetActiveTab(GetTabCount() - 1);
    rView.FillScript(strName, subscript);
}

bool CXALScripEditView::DeleteConditionalScript(const QString& strName) {
    if (m_host.Messages().Ask(XalFormat(140, strName), MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return false;
    // The script is found by its name, so that a close button on a tab that is not active
    // cannot delete another script; the active tab is the fallback.
    int nIndex = -1;
    for (int i = 1; i < GetTabCount() && nIndex < 0; ++i) {
        if (GetTabView(i)->GetName() == strName)
            nIndex = i;
    }
    if (nIndex < 0 && m_nActiveTab > 0)
        nIndex = m_nActiveTab;
    if (nIndex < 0)
        return false;
    static_cast<CSubscriptView*>(GetTabView(nIndex))->ReleaseFlexibleParameters();
    RemoveTab(nIndex);
    m_host.SetModified(true);
    return true;
}

void CXALScripEditView::AddAvailableDomain(const QString& strURL) {
    const QString strServer = CAdmTools::GetServer(strURL);
    if (!strServer.isEmpty() && !m_lstDomainAvailable.contains(strServer))
        m_lstDomainAvailable.append(strServer);
}

void CXALScripEditView::NoteFlexibleNumber(const QString& strText) {
    // The count must end up above every number in use, or the next new placeholder would
    // take a number that already stands for another value.
    const int nNumber = PlaceholderNumber(strText);
    if (nNumber >= 0 && nNumber + 1 > m_nFlexibleCount)
        m_nFlexibleCount = nNumber + 1;
}

void CXALScripEditView::AddFlexibleParameter(const QString& strParameter,
                                             const QString& strVariable) {
    CFindReplaceObj entry;
    entry.m_strFind = strParameter;
    entry.m_strReplace = strVariable;
    m_lstFlexibleParameters.push_back(std::move(entry));
}

void CXALScripEditView::RemoveFlexibleParameter(const QString& strVariable) {
    const auto it = std::find_if(
        m_lstFlexibleParameters.begin(), m_lstFlexibleParameters.end(),
        [&](const CFindReplaceObj& entry) { return entry.m_strReplace == strVariable; });
    if (it != m_lstFlexibleParameters.end())
        m_lstFlexibleParameters.erase(it);
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
    for (int n = std::max(nFrom, 1); n < m_nFlexibleCount; ++n) {
        const QString strOld = FlexibleParameterName(n);
        const QString strNew = FlexibleParameterName(n - 1);
        for (CFindReplaceObj& entry : m_lstFlexibleParameters) {
            if (entry.m_strReplace == strOld)
                entry.m_strReplace = strNew;
        }
        for (const Tab& tab : m_tabs)
            tab.view->RenumberPlaceholders(strOld, strNew);
    }
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
    RemoveFlexibleParameter(strPlaceholder);
    if (nNumber >= m_nFlexibleCount)
        return;
    if (nNumber + 1 != m_nFlexibleCount)
        RenumberFlexibleParameters(nNumber + 1);
    --m_nFlexibleCount;
}

COLORREF CXALScripEditView::GetServerColor(const QString& strServer) {
    return CAdmTools::GetServerColor(strServer, m_lstServerColors, m_nColorIndex);
}

void CXALScripEditView::OnRecordedURLs(const std::vector<CRecordedURL>& list) {
    SetActiveTab(0);
    GetMainView().AppendRecordedURLs(list);
}

void CXALScripEditView::CloseTab(int nIndex) {
    CBaseScriptView* pView = GetTabView(nIndex);
    if (pView == nullptr)
        return;
    SetActiveTab(nIndex);
    pView->OnClose();
}

bool CXALScripEditView::IsCommandEnabled(int nCommand) const {
    const CBaseScriptView* pView = GetTabView(m_nActiveTab);
    return pView != nullptr && pView->IsCommandEnabled(nCommand);
}

void CXALScripEditView::OnCommand(int nCommand) {
    if (CBaseScriptView* pView = GetTabView(m_nActiveTab))
        pView->OnCommand(nCommand);
}
