#include "ribbonbar.h"

#include "commands.h"
#include "icons.h"
#include "recentfilelist.h"
#include "xalstrings.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr char kCommandProperty[] = "xalCommand";

QFrame* VerticalLine() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A stored tool tip reads "description\ntitle".
QString RichToolTip(const QString& stored, const QString& keyTip) {
    const qsizetype cut = stored.indexOf(u'\n');
    const QString description = cut < 0 ? stored : stored.left(cut);
    const QString title = cut < 0 ? QString() : stored.mid(cut + 1);
    QString tip;
    if (!title.isEmpty())
        tip += QStringLiteral("<b>") + title.toHtmlEscaped() + QStringLiteral("</b><br>");
    tip += description.toHtmlEscaped();
    if (!keyTip.isEmpty())
        tip += QStringLiteral(" (") + keyTip + u')';
    return tip;
}

// The application button opens its menu on a click and shows no arrow for it. Painting it
// without the menu feature spares the button a style sheet, whose style object costs every
// start several hundred microseconds.
class CAppButton final : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.features &= ~QStyleOptionToolButton::HasMenu;
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
    }
};
} // namespace

CRibbonBar::CRibbonBar(RibbonLayout layout, CCommandRouter& router, const CMyRecentFileList* recent,
                       QWidget* parent)
    : QWidget(parent), m_layout(std::move(layout)), m_router(router), m_pRecent(recent) {
    setObjectName(QStringLiteral("ribbon"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ribbonCategories"));
    m_tabs->setDocumentMode(true);
    outer->addWidget(m_tabs);

    BuildApplicationMenu();

    for (int c = 0; c < static_cast<int>(m_layout.categories.size()); ++c) {
        const RibbonCategory& category = m_layout.categories[c];
        const QString keyTip = CategoryKeyTip(category.textId);
        QWidget* page = BuildCategory(category, keyTip);
        // The tab shows the text without "&": its letter is the category's key tip, which
        // starts the Alt sequences of its buttons.
        QString tabText = XalString(category.textId);
        tabText.remove(u'&');
        m_tabs->addTab(page, tabText);
    }

    auto* corner = new QWidget(m_tabs);
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 0, 4, 0);
    for (const RibbonElement& element : m_layout.tabRowButtons) {
        auto* button = new QToolButton(corner);
        button->setObjectName(QStringLiteral("tabrow_%1").arg(element.command));
        button->setIcon(XalRibbonIcon(XalImageList::Panel, element.smallImage));
        button->setAutoRaise(true);
        button->setProperty(kCommandProperty, element.command);
        // Both tab-row buttons carry the key tip "a"; as a key sequence it would be ambiguous,
        // so it stays a hint in the tool tip.
        for (const RibbonElement& bottom : m_layout.appMenuBottom)
            if (bottom.command == element.command)
                button->setToolTip(ElementText(bottom));
        const int command = element.command;
        connect(button, &QToolButton::clicked, this, [this, command] { Run(command); });
        cornerLayout->addWidget(button);
        m_tabRowButtons.push_back(button);
    }
    m_tabs->setCornerWidget(corner, Qt::TopRightCorner);
    UpdateCommandUI();
}

CRibbonBar::~CRibbonBar() = default;

void CRibbonBar::Run(int command) {
    m_router.Execute(command);
    UpdateCommandUI();
}

void CRibbonBar::AddKeyTip(const QString& sequence, int command) {
    AddKeyTip(sequence, command, [this, command] { Run(command); });
}

void CRibbonBar::AddKeyTip(const QString& sequence, int command, std::function<void()> action) {
    if (sequence.isEmpty())
        return;
    auto* shortcut = new QShortcut(QKeySequence(sequence), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
    m_keyTips.emplace_back(shortcut, command);
}

std::map<QString, int> CRibbonBar::KeyTipCommands() const {
    std::map<QString, int> out;
    for (const auto& [shortcut, command] : m_keyTips)
        out[shortcut->key().toString(QKeySequence::PortableText)] = command;
    return out;
}

void CRibbonBar::ApplyToolTip(QToolButton* button, const RibbonElement& element,
                              const QString& keyTip) {
    if (element.toolTipId != 0)
        button->setToolTip(RichToolTip(XalString(element.toolTipId), keyTip));
    else
        button->setToolTip(RichToolTip(ElementText(element), keyTip));
}

QToolButton* CRibbonBar::BuildButton(const RibbonElement& element, bool large,
                                     const QString& keyTip) {
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("cmd_%1").arg(element.command));
    button->setText(ElementText(element));
    button->setAutoRaise(true);
    button->setProperty(kCommandProperty, element.command);
    if (large) {
        button->setIcon(XalRibbonIcon(XalImageList::Ribbon, element.largeImage));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    } else {
        button->setIcon(XalRibbonIcon(XalImageList::Ribbon, element.smallImage));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    ApplyToolTip(button, element, keyTip);
    const int command = element.command;
    connect(button, &QToolButton::clicked, this, [this, command] { Run(command); });

    if (element.kind == RibbonKind::SplitButton && !element.items.empty()) {
        auto* menu = new QMenu(button);
        menu->setObjectName(QStringLiteral("menu_%1").arg(element.menuId));
        for (const RibbonElement& item : element.items) {
            QAction* action = menu->addAction(ElementText(item));
            action->setData(item.command);
            const int itemCommand = item.command;
            connect(action, &QAction::triggered, this, [this, itemCommand] { Run(itemCommand); });
            m_menuActions.push_back(action);
        }
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    m_buttons.push_back(button);
    return button;
}

QWidget* CRibbonBar::BuildPanel(const RibbonPanel& panel, int categoryIndex, int panelIndex,
                                const QString& keyTip) {
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("panel_%1").arg(panel.textId));
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(4, 2, 4, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    column->addLayout(row, 1);

    // Buttons without a large image are stacked three to a column, as a ribbon does.
    QVBoxLayout* smallStack = nullptr;
    int stacked = 0;
    for (int i = 0; i < static_cast<int>(panel.elements.size()); ++i) {
        const RibbonElement& element = panel.elements[i];
        if (element.kind == RibbonKind::Separator) {
            row->addWidget(VerticalLine());
            smallStack = nullptr;
            continue;
        }
        const QString sequence = KeyTipSequence(keyTip, element.keyTip);
        const bool large = element.largeImage >= 0;
        QToolButton* button = BuildButton(element, large, sequence);
        AddKeyTip(sequence, element.command);
        m_buttonsByPath[{categoryIndex, panelIndex, i}] = button;
        if (large) {
            row->addWidget(button);
            smallStack = nullptr;
            continue;
        }
        if (!smallStack || stacked == 3) {
            smallStack = new QVBoxLayout;
            smallStack->setSpacing(0);
            row->addLayout(smallStack);
            stacked = 0;
        }
        smallStack->addWidget(button);
        ++stacked;
    }
    if (smallStack)
        smallStack->addStretch();

    auto* caption = new QLabel(RibbonText(panel.textId));
    caption->setAlignment(Qt::AlignCenter);
    caption->setEnabled(false); // drawn greyed, like a ribbon panel caption
    column->addWidget(caption);
    return frame;
}

QWidget* CRibbonBar::BuildCategory(const RibbonCategory& category, const QString& keyTip) {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const int categoryIndex = static_cast<int>(m_tabs->count());
    for (int p = 0; p < static_cast<int>(category.panels.size()); ++p) {
        row->addWidget(BuildPanel(category.panels[p], categoryIndex, p, keyTip));
        row->addWidget(VerticalLine());
    }
    row->addStretch();
    return page;
}

QAction* CRibbonBar::AddMenuAction(QMenu* menu, const RibbonElement& element, bool largeImage) {
    QAction* action = menu->addAction(ElementText(element));
    const int image = largeImage ? element.largeImage : element.smallImage;
    if (image >= 0)
        action->setIcon(
            XalRibbonIcon(largeImage ? XalImageList::Ribbon : XalImageList::Panel, image));
    action->setData(element.command);
    action->setObjectName(QStringLiteral("appmenu_%1").arg(element.command));
    const QString sequence = KeyTipSequence(m_layout.appButtonKeyTip, element.keyTip);
    if (!sequence.isEmpty())
        action->setToolTip(ElementText(element) + QStringLiteral(" (") + sequence + u')');
    const int command = element.command;
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    m_menuActions.push_back(action);
    return action;
}

void CRibbonBar::BuildApplicationMenu() {
    m_appButton = new CAppButton(this);
    m_appButton->setObjectName(QStringLiteral("applicationButton"));
    m_appButton->setIcon(XalRibbonIcon(XalImageList::AppButton, 0));
    m_appButton->setIconSize(QSize(32, 32));
    m_appButton->setToolTip(m_layout.appButtonToolTip);
    m_appButton->setAutoRaise(true);
    m_appButton->setPopupMode(QToolButton::InstantPopup);

    m_appMenu = new QMenu(m_appButton);
    m_appMenu->setObjectName(QStringLiteral("applicationMenu"));
    m_appButton->setMenu(m_appMenu);
    const QString& scope = m_layout.appButtonKeyTip;

    for (const RibbonElement& element : m_layout.appMenu) {
        switch (element.kind) {
        case RibbonKind::Separator:
            m_appMenu->addSeparator();
            break;
        case RibbonKind::RecentList: {
            m_appMenu->addSeparator();
            m_appMenu->addSection(RibbonText(element.textId));
            m_recentAnchor = m_appMenu->addSeparator();
            m_appMenu->setMinimumWidth(element.widthPx);
            break;
        }
        case RibbonKind::SplitButton:
        case RibbonKind::Button:
        case RibbonKind::Label:
            if (element.items.empty()) {
                AddMenuAction(m_appMenu, element, true);
                AddKeyTip(KeyTipSequence(scope, element.keyTip), element.command);
                break;
            }
            {
                QMenu* sub = m_appMenu->addMenu(
                    XalRibbonIcon(XalImageList::Ribbon, element.largeImage), ElementText(element));
                sub->setObjectName(QStringLiteral("appmenu_sub_%1").arg(element.command));
                // A sub-menu entry cannot run a command itself: the key tip of a split button
                // runs its default command, that of a list button opens the list.
                if (element.kind == RibbonKind::SplitButton)
                    AddKeyTip(KeyTipSequence(scope, element.keyTip), element.command);
                else
                    AddKeyTip(KeyTipSequence(scope, element.keyTip), element.command, [this, sub] {
                        sub->popup(m_appButton->mapToGlobal(m_appButton->rect().bottomLeft()));
                    });
                for (const RibbonElement& item : element.items) {
                    if (item.kind == RibbonKind::Label) {
                        const QString label = RibbonText(item.textId);
                        if (!label.isEmpty())
                            sub->addSection(label);
                        continue;
                    }
                    AddMenuAction(sub, item, true);
                    if (element.kind == RibbonKind::SplitButton && item.command != element.command)
                        AddKeyTip(KeyTipSequence(scope, item.keyTip), item.command);
                }
            }
            break;
        }
    }
    m_appMenu->addSeparator();
    for (const RibbonElement& element : m_layout.appMenuBottom) {
        AddMenuAction(m_appMenu, element, false);
        AddKeyTip(KeyTipSequence(scope, element.keyTip), element.command);
    }
    connect(m_appMenu, &QMenu::aboutToShow, this, [this] {
        RefreshRecentList();
        UpdateCommandUI();
    });
    m_tabs->setCornerWidget(m_appButton, Qt::TopLeftCorner);
    RefreshRecentList();
}

void CRibbonBar::RefreshRecentList() {
    for (QAction* action : m_recentActions) {
        m_appMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    if (!m_pRecent || !m_recentAnchor)
        return;
    for (int i = 0; i < m_pRecent->GetSize() && XalCmd::RecentFirst + i <= XalCmd::RecentLast;
         ++i) {
        const QString text = m_pRecent->GetMenuText(i);
        if (text.isEmpty())
            continue;
        auto* action = new QAction(text, m_appMenu);
        const int command = XalCmd::RecentFirst + i;
        action->setData(command);
        action->setObjectName(QStringLiteral("recent_%1").arg(i + 1));
        action->setToolTip(m_pRecent->GetAt(i));
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        m_appMenu->insertAction(m_recentAnchor, action);
        m_recentActions.push_back(action);
    }
}

QToolButton* CRibbonBar::FindButton(int command) const {
    for (QToolButton* button : m_buttons)
        if (button->property(kCommandProperty).toInt() == command)
            return button;
    return nullptr;
}

QToolButton* CRibbonBar::ButtonAt(const RibbonPath& path) const {
    auto it = m_buttonsByPath.find({path.category, path.panel, path.element});
    return it == m_buttonsByPath.end() ? nullptr : it->second;
}

std::vector<QAction*> CRibbonBar::FindMenuActions(int command) const {
    std::vector<QAction*> out;
    for (QAction* action : m_menuActions)
        if (action->data().toInt() == command)
            out.push_back(action);
    for (QAction* action : m_recentActions)
        if (action->data().toInt() == command)
            out.push_back(action);
    return out;
}

void CRibbonBar::UpdateCommandUI() {
    for (QToolButton* button : m_buttons)
        button->setEnabled(m_router.IsEnabled(button->property(kCommandProperty).toInt()));
    for (QToolButton* button : m_tabRowButtons)
        button->setEnabled(m_router.IsEnabled(button->property(kCommandProperty).toInt()));
    for (QAction* action : m_menuActions)
        action->setEnabled(m_router.IsEnabled(action->data().toInt()));
    for (QAction* action : m_recentActions)
        action->setEnabled(m_router.IsEnabled(action->data().toInt()));
    for (const auto& [shortcut, command] : m_keyTips)
        shortcut->setEnabled(m_router.IsEnabled(command));
}

void CRibbonBar::SetElementText(const RibbonPath& path, int textId, int toolTipId) {
    if (path.category < 0 || path.category >= static_cast<int>(m_layout.categories.size()))
        return;
    RibbonCategory& category = m_layout.categories[path.category];
    if (path.panel < 0 || path.panel >= static_cast<int>(category.panels.size()))
        return;
    RibbonPanel& panel = category.panels[path.panel];
    if (path.element < 0 || path.element >= static_cast<int>(panel.elements.size()))
        return;
    RibbonElement& element = panel.elements[path.element];
    element.textId = textId;
    element.toolTipId = toolTipId;
    if (QToolButton* button = ButtonAt(path)) {
        button->setText(ElementText(element));
        ApplyToolTip(button, element,
                     KeyTipSequence(CategoryKeyTip(category.textId), element.keyTip));
        button->updateGeometry();
    }
}
