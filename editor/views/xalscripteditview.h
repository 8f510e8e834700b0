#pragma once
// The document's tab view: tab 0 holds the main script, every further tab one conditional
// script. The e-script-wide values belong to the document (CXALScripEditDoc); the view reads
// and changes them only through it. This is the logic; CXALScripEditTabWidget
// (xalscriptedittabwidget.h) is the Qt shell over it.

#include "gridrecord.h"
#include "scriptmodel.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class IViewHost;
class CXALScripEditDoc;
class CBaseScriptView;
class CScriptView;
class CSubscriptView;
class CUndoHistory;
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
    // Neither is owned; both must outlive the view. The view installs itself as the
    // document's script collector.
    CXALScripEditView(IViewHost& host, CXALScripEditDoc& document);
    ~CXALScripEditView();
    CXALScripEditView(const CXALScripEditView&) = delete;
    CXALScripEditView& operator=(const CXALScripEditView&) = delete;

    // Fills all tabs from an e-script and hands its e-script-wide values to the document
    // (recovered: see CXALScripEditDoc::SetFromScript). The second form takes the e-script's
    // texts into the rows and frees its scripts as they are shown (the load's e-script is
    // never held twice).
    void SetScript(const CScriptObj& script, bool recovered = false);
    void SetScript(CScriptObj&& script, bool recovered = false);
    // Builds an e-script from the document's values and all tabs (save, properties, test).
    // Leaves tab 0 active.
    void GetScriptList(CScriptObj& script);
    // Called when the main window closes. Asks string 158 (empty main script) or 135 and
    // saves on Yes; true when the editor may close. A failed save keeps it open; a No drops
    // the changes and their recovery file.
    bool SaveModified();

    // Adds a tab for a new conditional script, makes it active and fills it.
    void AddConditionalTab(const QString& strName, const CSubscriptObj& subscript);
    // Asks string 140 and, on Yes, removes the tab of that view (never another one with the
    // same name).
    bool DeleteConditionalScript(const CBaseScriptView& view);

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
    // Frees every placeholder number no row of any view shows any more (highest first, each
    // closing its gap), so that the numbers in use stay 0..count-1 after rows went away.
    void ReleaseUnshownPlaceholders();
    // Releases every numbered placeholder a text shows (highest first), as ReleasePlaceholder
    // does with mode 2: a value may hold several of them.
    void ReleasePlaceholdersIn(const QString& strText);
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

    // Commands go to the active view; undo, redo and the clipboard are the tab view's own.
    // Each command that changes the e-script is one undo step.
    [[nodiscard]] bool IsCommandEnabled(int nCommand) const;
    void OnCommand(int nCommand);
    // A command from a view's own input (double click, keys): one undo step as well.
    void OnCommand(CBaseScriptView& view, int nCommand);

    // Every change of the e-script between BeginStep/EndStep (CUndoStepGuard) is one step.
    [[nodiscard]] CUndoHistory& History() const { return *m_history; }

    // Clipboard commands of the active view (menu 119, Ctrl+X/C/V).
    [[nodiscard]] bool CanCopy() const;
    [[nodiscard]] bool CanCut() const;
    // The selected URL blocks, one URL a line; false when none is selected.
    bool CopyURLs();
    // Copy, then deletes the selected URL blocks but the first URL.
    bool CutURLs();
    // Inserts the URLs of the clipboard's lines after the current URL; false (after a message)
    // when the text holds none.
    bool PasteURLs();

    [[nodiscard]] IViewHost& Host() const { return m_host; }
    [[nodiscard]] CXALScripEditDoc& Document() const { return m_doc; }

private:
    friend class CUndoHistory;
    void AddTab(std::unique_ptr<CBaseScriptView> view, const QString& strCaption);
    // Undo and redo put a conditional tab back at its place, empty, with its identity.
    CSubscriptView& InsertConditionalTab(int nIndex, const QString& strName,
                                         const QByteArray& baExtraFields);
    [[nodiscard]] CBaseScriptView* ActiveView() const { return GetTabView(m_nActiveTab); }
    void RemoveTab(int nIndex);
    void CollectTabs(CScriptObj& script);
    // SetScript; with pOwned (the same object as script) the scripts are taken and freed.
    void Fill(const CScriptObj& script, CScriptObj* pOwned, bool recovered);

    IViewHost& m_host;
    CXALScripEditDoc& m_doc;
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
    std::unique_ptr<CUndoHistory> m_history; // after the tabs it mirrors
};
