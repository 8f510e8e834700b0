#include "xalscriptedittabwidget.h"

#include "basescriptview.h"
#include "commandids.h"
#include "treegridwidget.h"
#include "viewhost.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QShowEvent>
#include <QTabBar>

namespace {
// The close button of a tab, drawn here: the style's own loads its images through the image
// format plugins, which cost every start more than the whole rest of the tab bar.
class CTabCloseButton final : public QAbstractButton {
public:
    explicit CTabCloseButton(QWidget* pParent) : QAbstractButton(pParent) {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
        setToolTip(QTabWidget::tr("Close Tab"));
        setAccessibleName(QTabWidget::tr("Close Tab"));
        setAttribute(Qt::WA_Hover);
    }
    [[nodiscard]] QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* /*pEvent*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        const bool bHot = underMouse() || isDown();
        if (bHot) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xc8, 0x32, 0x32));
            painter.drawRoundedRect(box, 3, 3);
        }
        painter.setPen(QPen(bHot ? QColor(Qt::white) : palette().color(QPalette::WindowText), 1.6,
                            Qt::SolidLine, Qt::RoundCap));
        const QRectF cross = box.adjusted(3.5, 3.5, -3.5, -3.5);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    }
};
} // namespace

CXALScripEditTabWidget::CXALScripEditTabWidget(CXALScripEditView& view, QWidget* pParent)
    : QTabWidget(pParent), m_view(view) {
    setUsesScrollButtons(false);
    setDocumentMode(true);
    m_bSyncing = true;
    for (int i = 0; i < m_view.GetTabCount(); ++i) {
        addTab(new CTreeGridWidget(*m_view.GetTabView(i), this), m_view.GetTabCaption(i));
        AddCloseButton(i);
    }
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

void CXALScripEditTabWidget::AddCloseButton(int nIndex) {
    auto* pButton = new CTabCloseButton(tabBar());
    tabBar()->setTabButton(nIndex, QTabBar::RightSide, pButton);
    connect(pButton, &QAbstractButton::clicked, this, [this, pButton] {
        // Tabs before this one may have closed since: look the tab up now.
        for (int i = 0; i < count(); ++i) {
            if (tabBar()->tabButton(i, QTabBar::RightSide) == pButton) {
                emit tabCloseRequested(i);
                return;
            }
        }
    });
}

void CXALScripEditTabWidget::OnTabAdded(int nIndex) {
    m_bSyncing = true;
    insertTab(nIndex, new CTreeGridWidget(*m_view.GetTabView(nIndex), this),
              m_view.GetTabCaption(nIndex));
    AddCloseButton(nIndex);
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
