#pragma once
// The Qt shell of the tab view: one tab per script view, each showing its grid. All logic is
// in CXALScripEditView; this widget only mirrors its tabs and forwards clicks.

#include "xalscripteditview.h"

#include <QTabWidget>

class CTreeGridWidget;

class CXALScripEditTabWidget final : public QTabWidget, private ITabObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CXALScripEditTabWidget)
public:
    // The view must outlive the widget.
    explicit CXALScripEditTabWidget(CXALScripEditView& view, QWidget* pParent = nullptr);
    ~CXALScripEditTabWidget() override;

    [[nodiscard]] CXALScripEditView& View() const { return m_view; }
    // The grid of tab nIndex (0 <= nIndex < count()), built now if the tab was never current.
    CTreeGridWidget& Grid(int nIndex);

protected:
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    // The keyboard belongs to the active tab's grid (its Delete key, menu key and arrows).
    void showEvent(QShowEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;

private:
    void OnTabAdded(int nIndex) override;
    void OnTabRemoving(int nIndex) override;
    void OnActiveTabChanged(int nIndex) override;
    void UpdateCloseButtons();
    void AddCloseButton(int nIndex);

    CXALScripEditView& m_view;
    bool m_bSyncing = false;
};
