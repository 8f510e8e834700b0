#pragma once
// The ribbon widget: a tabbed tool area built from the RibbonLayout table. The application
// button opens the application menu; each category is a tab of panels with buttons. Every
// button runs its command through the frame's command router, and key tips work as
// Alt sequences ("Alt+E, N" for New).

#include "ribbon.h"

#include <QWidget>

#include <functional>
#include <map>
#include <tuple>
#include <vector>

class CCommandRouter;
class CMyRecentFileList;
class QAbstractButton;
class QAction;
class QMenu;
class QShortcut;
class QTabWidget;
class QToolButton;

class CRibbonBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRibbonBar)

public:
    // router and recent must outlive the ribbon; recent may be null.
    CRibbonBar(RibbonLayout layout, CCommandRouter& router, const CMyRecentFileList* recent,
               QWidget* parent = nullptr);
    ~CRibbonBar() override;

    [[nodiscard]] const RibbonLayout& Layout() const { return m_layout; }

    // Button of a category element running command (first match), or null.
    [[nodiscard]] QToolButton* FindButton(int command) const;
    [[nodiscard]] QToolButton* ButtonAt(const RibbonPath& path) const;
    [[nodiscard]] QToolButton* ApplicationButton() const { return m_appButton; }
    [[nodiscard]] QMenu* ApplicationMenu() const { return m_appMenu; }
    // Actions of the application menu (including its sub-menus) running command.
    [[nodiscard]] std::vector<QAction*> FindMenuActions(int command) const;
    [[nodiscard]] std::vector<QToolButton*> TabRowButtons() const { return m_tabRowButtons; }
    [[nodiscard]] QTabWidget* Categories() const { return m_tabs; }
    // The key tip shortcuts, by key sequence text.
    [[nodiscard]] std::map<QString, int> KeyTipCommands() const;

    // Enables every button and menu entry as the router says.
    void UpdateCommandUI();
    // Gives an element new text and tool tip (string table numbers), e.g. the
    // conditional-script button.
    void SetElementText(const RibbonPath& path, int textId, int toolTipId);
    // Rebuilds the recently-opened entries of the application menu.
    void RefreshRecentList();

private:
    QWidget* BuildCategory(const RibbonCategory& category, const QString& keyTip);
    QWidget* BuildPanel(const RibbonPanel& panel, int categoryIndex, int panelIndex,
                        const QString& keyTip);
    QToolButton* BuildButton(const RibbonElement& element, bool large, const QString& keyTip);
    void BuildApplicationMenu();
    QAction* AddMenuAction(QMenu* menu, const RibbonElement& element, bool largeImage);
    void AddKeyTip(const QString& sequence, int command);
    void AddKeyTip(const QString& sequence, int command, std::function<void()> action);
    void ApplyToolTip(QToolButton* button, const RibbonElement& element, const QString& keyTip);
    void Run(int command);

    RibbonLayout m_layout;
    CCommandRouter& m_router;           // Not owned.
    const CMyRecentFileList* m_pRecent; // Not owned; may be null.
    QTabWidget* m_tabs = nullptr;       // Owned by the Qt parent.
    QToolButton* m_appButton = nullptr; // Owned by the Qt parent.
    QMenu* m_appMenu = nullptr;         // Owned by the Qt parent.
    QAction* m_recentAnchor = nullptr;  // Recent entries go before this action.
    std::vector<QAction*> m_recentActions;
    std::vector<QAction*> m_menuActions; // with the command in data()
    std::vector<QToolButton*> m_buttons; // category buttons, with the command in a property
    std::map<std::tuple<int, int, int>, QToolButton*> m_buttonsByPath;
    std::vector<QToolButton*> m_tabRowButtons;
    std::vector<std::pair<QShortcut*, int>> m_keyTips;
};
