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
#include <QVBoxLayout>

// A tab's page. Its grid is built when the tab first becomes the current one (or a caller asks
// for it): the pages of conditional scripts nobody looks at cost the start nothing, and a grid
// built later starts from the script view's state as it is then.
class CGridPage final : public QWidget {
public:
    CGridPage(CBaseScriptView& view, QWidget* pParent) : QWidget(pParent), m_view(view) {
        auto* pLayout = new QVBoxLayout(this);
        pLayout->setContentsMargins(0, 0, 0, 0);
    }

    CTreeGridWidget& Grid() {
        if (m_pGrid == nullptr) {
            m_pGrid = new CTreeGridWidget(m_view, this);
            layout()->addWidget(m_pGrid);
            setFocusProxy(m_pGrid);
            // Added to a page already on screen, the grid would otherwise wait for the next
            // pass of the event loop to show.
            if (isVisible())
                m_pGrid->show();
        }
        return *m_pGrid;
    }

protected:
    void showEvent(QShowEvent* pEvent) override {
        Grid();
        QWidget::showEvent(pEvent);
    }

private:
    CBaseScriptView& m_view;
    CTreeGridWidget* m_pGrid = nullptr; // owned by this page once made
};

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
        addTab(new CGridPage(*m_view.GetTabView(i), this), m_view.GetTabCaption(i));
        AddCloseButton(i);
    }
    setCurrentIndex(m_view.GetActiveTab());
    if (count() > 0)
        Grid(currentIndex());
    m_bSyncing = false;
    m_view.SetObserver(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int nIndex) {
        if (nIndex >= 0)
            Grid(nIndex);
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

CTreeGridWidget& CXALScripEditTabWidget::Grid(int nIndex) {
    auto* pPage = static_cast<CGridPage*>(widget(nIndex));
    return pPage->Grid();
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
    insertTab(nIndex, new CGridPage(*m_view.GetTabView(nIndex), this),
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
