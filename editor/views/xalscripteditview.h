#pragma once
// The document's tab view: tab 0 holds the main script, every further tab one conditional
// script. It also keeps the e-script-wide values that belong to no single script. This is
// the logic; CXALScripEditTabWidget (xalscriptedittabwidget.h) is the Qt shell over it.

#include "gridrecord.h"
#include "scriptmodel.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class IViewHost;
class CBaseScriptView;
class CScriptView;
class CSubscriptView;
struct CRecordedURL;

// Told about tab changes so that a widget shell can follow the logic.
class ITabObserver {
public:
    virtual ~ITabObserver() = default;
    virtual void OnTabAdded(int nIndex) = 0;
    virtual void OnTabRemoving(int nIndex) = 0;
    virtual void OnActiveTabChanged(int nIndex) = 0;
};

class CXALScripEditView {
public:
    explicit CXALScripEditView(IViewHost& host);
    ~CXALScripEditView();
    CXALScripEditView(const CXALScripEditView&) = delete;
    CXALScripEditView& operator=(const CXALScripEditView&) = delete;

    // Fills all tabs and the e-script-wide values from an e-script (LoadAccount).
    void SetScript(const CScriptObj& script);
    // Builds an e-script from all tabs and values (save, properties, test). Leaves tab 0 active.
    void GetScriptList(CScriptObj& script);

    // Adds a tab for a new conditional script, makes it active and fills it.
    void AddConditionalTab(const QString& strName, const CSubscriptObj& subscript);
    // Asks string 140 and removes the active conditional-script tab on Yes.
    bool DeleteConditionalScript(const QString& strName);

    void AddAvailableDomain(const QString& strURL);
    // Keeps the flexible-parameter count above a placeholder number found in the text.
    void NoteFlexibleNumber(const QString& strText);
    void AddFlexibleParameter(const QString& strParameter, const QString& strVariable);
    void RemoveFlexibleParameter(const QString& strVariable);
    // Runs the spread on the main view and then on every conditional view, in tab order.
    void UpdateAllScripts(const CSpreadRequest& request);
    [[nodiscard]] bool IsUsedInAnyScript(const QString& strText) const;
    // Closes the gap after a freed placeholder: from..count-1 each move down by one.
    void RenumberFlexibleParameters(int nFrom);
    // Frees a placeholder's number when no row shows it any more (modes 1, 2, 9999).
    void ReleasePlaceholder(int nMode, const QString& strPlaceholder);
    COLORREF GetServerColor(const QString& strServer);

    // The recording hands over its queue: tab 0 becomes active and appends the entries.
    void OnRecordedURLs(const std::vector<CRecordedURL>& list);

    // A tab's close button: the main tab asks string 26, a conditional tab string 140.
    void CloseTab(int nIndex);

    [[nodiscard]] int GetTabCount() const;
    [[nodiscard]] QString GetTabCaption(int nIndex) const;
    [[nodiscard]] CBaseScriptView* GetTabView(int nIndex) const;
    [[nodiscard]] CScriptView& GetMainView() const;
    [[nodiscard]] int GetActiveTab() const { return m_nActiveTab; }
    void SetActiveTab(int nIndex);
    void SetObserver(ITabObserver* pObserver) { m_pObserver = pObserver; }

    // Commands go to the active view.
    [[nodiscard]] bool IsCommandEnabled(int nCommand) const;
    void OnCommand(int nCommand);

    [[nodiscard]] IViewHost& Host() const { return m_host; }

    // E-script-wide values.
    QString m_strID;
    QString m_strLogonUser;
    QString m_strLogonPW;
    QString m_strRootURL;
    QString m_strServer;
    int m_nInternetProtocol = kProtocolHttp;
    QStringList m_lstDomainAvailable;
    QStringList m_lstDomain;
    std::vector<CFindReplaceObj> m_lstFlexibleParameters;
    int m_nFlexibleCount = 0;

private:
    void AddTab(std::unique_ptr<CBaseScriptView> view, const QString& strCaption);
    void RemoveTab(int nIndex);

    IViewHost& m_host;
    ITabObserver* m_pObserver = nullptr; // Not owned.
    struct Tab {
        std::unique_ptr<CBaseScriptView> view;
        QString strCaption;
    };
    // Tab 0 is the main script; conditional tabs are appended in the order they are added.
    std::vector<Tab> m_tabs;
    int m_nActiveTab = 0;
    // What the ribbon's conditional-script button shows, so that it is only told on change.
    bool m_bConditionalButton = false;
    std::vector<CServerColorObj> m_lstServerColors;
    int m_nColorIndex = -1;
};
