#include "xalscriptedittabwidget.h"

#include "basescriptview.h"
#include "commandids.h"
#include "treegridwidget.h"
#include "viewhost.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QShowEvent>
#include <QTabBar>

CXALScripEditTabWidget::CXALScripEditTabWidget(CXALScripEditView& view, QWidget* pParent)
    : QTabWidget(pParent), m_view(view) {
    setTabsClosable(true);
    setUsesScrollButtons(false);
    setDocumentMode(true);
    m_bSyncing = true;
    for (int i = 0; i < m_view.GetTabCount(); ++i)
        addTab(new CTreeGridWidget(*m_view.GetTabView(i), this), m_view.GetTabCaption(i));
    setCurrentIndex(m_view.GetActiveTab());
    m_bSyncing = false;
    m_view.SetObserver(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int nIndex) {
        if (!m_bSyncing && nIndex >= 0)
            m_view.SetActiveTab(nIndex);
        UpdateCloseButtons();
        if (QWidget* pPage = widget(nIndex))
            pPage->setFocus();
    });
    // The view's close may remove the tab (and this page) synchronously; the tab bar survives.
    connect(this, &QTabWidget::tabCloseRequested, this,
            [this](int nIndex) { m_view.CloseTab(nIndex); });
    UpdateCloseButtons();
}

CXALScripEditTabWidget::~CXALScripEditTabWidget() {
    m_view.SetObserver(nullptr);
}

void CXALScripEditTabWidget::UpdateCloseButtons() {
    // Only the active tab shows its close button.
    for (int i = 0; i < count(); ++i) {
        if (QWidget* pButton = tabBar()->tabButton(i, QTabBar::RightSide))
            pButton->setVisible(i == currentIndex());
    }
}

void CXALScripEditTabWidget::OnTabAdded(int nIndex) {
    m_bSyncing = true;
    insertTab(nIndex, new CTreeGridWidget(*m_view.GetTabView(nIndex), this),
              m_view.GetTabCaption(nIndex));
    m_bSyncing = false;
    UpdateCloseButtons();
}

void CXALScripEditTabWidget::OnTabRemoving(int nIndex) {
    m_bSyncing = true;
    QWidget* pPage = widget(nIndex);
    removeTab(nIndex);
    delete pPage;
    m_bSyncing = false;
    UpdateCloseButtons();
}

void CXALScripEditTabWidget::OnActiveTabChanged(int nIndex) {
    m_bSyncing = true;
    setCurrentIndex(nIndex);
    m_bSyncing = false;
    UpdateCloseButtons();
}

void CXALScripEditTabWidget::contextMenuEvent(QContextMenuEvent* pEvent) {
    m_view.Host().ShowContextMenu(ViewMenu::kEditClipboard, pEvent->globalPos());
    pEvent->accept();
}

void CXALScripEditTabWidget::showEvent(QShowEvent* pEvent) {
    QTabWidget::showEvent(pEvent);
    if (QWidget* pPage = currentWidget())
        pPage->setFocus();
}

void CXALScripEditTabWidget::focusInEvent(QFocusEvent* pEvent) {
    QTabWidget::focusInEvent(pEvent);
    if (QWidget* pPage = currentWidget())
        pPage->setFocus();
}
