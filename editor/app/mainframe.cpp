#include "mainframe.h"

#include "mainframe_wndtop.h"
#include "messages.h"
#include "mongodb.h"
#include "printing.h"
#include "recentfilelist.h"
#include "ribbonbar.h"
#include "xaldatadlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
// Commands whose enabling the shell decides even when another area handles them.
bool IsShellRuled(int command) {
    return ShellCommandEnabled(command, ShellState{}).has_value();
}

// The active script tab when the view is a tab widget, else the whole view.
QWidget* PrintedWidget(QWidget* central) {
    if (auto* tabs = qobject_cast<QTabWidget*>(central); tabs && tabs->currentWidget())
        return tabs->currentWidget();
    return central;
}
} // namespace

CMainFrame::CMainFrame(FrameServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("mainFrame"));
    if (!m_services.launcher)
        m_services.launcher = MakeToolsLauncher();
    // Without a session of their own the suite's dialogs open one from the suite settings.
    if (!m_services.dialogs) {
        m_ownDialogs = std::make_unique<CQtDataDialogs>(this);
        m_services.dialogs = m_ownDialogs.get();
    }
    if (!m_services.newEScript && m_services.messages)
        m_services.newEScript = [this](QStringList& array) {
            return XALDlgEScriptNew(array, m_services.database, *m_services.dialogs,
                                    *m_services.messages);
        };
    if (!m_services.information)
        m_services.information = [this] {
            XALDlgInformation(ProgramInformation(m_services.database
                                                     ? m_services.database->GetServerMasked()
                                                     : QString()),
                              *m_services.dialogs);
        };

    RegisterShellCommands();
    RegisterPrintCommands();

    // The ribbon takes the menu bar's place: it cannot be dragged off or hidden, and no tool
    // bar frame is built and painted around it.
    m_pRibbon = new CRibbonBar(BuildRibbonLayout(m_services.utilities, m_services.languages),
                               m_router, m_services.recentFiles, this);
    setMenuWidget(m_pRibbon);

    CreateAccelerators();

    // Enabled states follow the application's state the way an idle-time update would.
    m_pUpdateTimer = new QTimer(this);
    m_pUpdateTimer->setInterval(250);
    connect(m_pUpdateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_pUpdateTimer->start();

    m_pWndTopListener = std::make_unique<CSettingsWndTopListener>([this] { OnSettingsWndTop(); });
    // Wide enough for every ribbon label unshortened; a narrower window shortens them.
    resize(std::max(1000, m_pRibbon->sizeHint().width()), 700);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    // The ribbon refers to the router, a member that goes before the Qt children do.
    m_pUpdateTimer->stop();
    delete m_pRibbon;
    m_pRibbon = nullptr;
}

std::optional<bool> CMainFrame::ShellRule(int command) const {
    const ShellState state = m_services.shellState ? m_services.shellState() : ShellState{};
    return ShellCommandEnabled(command, state);
}

void CMainFrame::SetCommandHandler(int command, CCommandRouter::Handler handler,
                                   CCommandRouter::Enabler enabler) {
    SetCommandRange(command, command, std::move(handler), std::move(enabler));
}

void CMainFrame::SetCommandRange(int first, int last, CCommandRouter::Handler handler,
                                 CCommandRouter::Enabler enabler) {
    CCommandRouter::Enabler combined = [this, enabler = std::move(enabler)](int command) {
        if (IsShellRuled(command) && !ShellRule(command).value_or(true))
            return false;
        return !enabler || enabler(command);
    };
    m_router.SetRangeHandler(first, last, std::move(handler), std::move(combined));
    UpdateCommandUI();
}

bool CMainFrame::OnCommand(int command) {
    const bool ran = m_router.Execute(command);
    UpdateCommandUI();
    return ran;
}

void CMainFrame::RegisterShellCommands() {
    IMessageSink* messages = m_services.messages;
    if (messages) {
        SetCommandHandler(XalCmd::XalTools,
                          [this, messages](int) { RunTools(*m_services.launcher, *messages); });
        SetCommandHandler(XalCmd::Diagnostics, [this, messages](int) {
            RunDiagnostic(*m_services.launcher, *messages);
        });
    }
    if (m_services.newEScript && messages)
        SetCommandHandler(XalCmd::NewEScript, [this, messages](int) {
            RunNewEScript(m_services.newEScript, *m_services.launcher, *messages);
        });
    if (m_services.recentFiles && messages)
        SetCommandRange(
            XalCmd::RecentFirst, XalCmd::RecentLast,
            [this, messages](int command) {
                RunOpenRecent(command, *m_services.recentFiles, *m_services.launcher, *messages);
            },
            [this](int command) {
                return !m_services.recentFiles->GetAt(command - XalCmd::RecentFirst).isEmpty();
            });
    if (m_services.information)
        SetCommandHandler(XalCmd::Information, [this](int) { m_services.information(); });
    SetCommandHandler(XalCmd::Help, [this](int) { OnHelp(); });
    SetCommandHandler(XalCmd::Close, [this](int) { close(); });
    // The list buttons only open their menus.
    SetCommandHandler(XalCmd::Utilities, [](int) {});
    SetCommandHandler(XalCmd::Language, [](int) {});
    if (m_services.utilityCommand)
        SetCommandRange(XalCmd::UtilitiesFirst, XalCmd::UtilitiesLast, m_services.utilityCommand);
    if (m_services.languageCommand)
        SetCommandRange(XalCmd::LanguageFirst, XalCmd::LanguageLast, m_services.languageCommand);
}

void CMainFrame::RegisterPrintCommands() {
    const auto hasView = [this](int) { return centralWidget() != nullptr; };
    SetCommandHandler(
        XalCmd::Print, [this](int) { OnPrint(true); }, hasView);
    SetCommandHandler(
        XalCmd::PrintDirect, [this](int) { OnPrint(false); }, hasView);
    SetCommandHandler(
        XalCmd::PrintPreview, [this](int) { OnPrintPreview(); }, hasView);
    SetCommandHandler(XalCmd::PrintSetup, [this](int) {
        if (IPrinting* printing = Printing())
            printing->PageSetup(this);
    });
}

IPrinting* CMainFrame::Printing() {
    if (!m_printing) {
        QString error;
        m_printing = OpenPrinting(error);
        if (!m_printing && m_services.messages)
            m_services.messages->Inform(
                QCoreApplication::translate("XALScriptEdit", "Printing is not available: %1")
                    .arg(error),
                MsgIcon::Error);
    }
    return m_printing.get();
}

void CMainFrame::OnPrint(bool withDialog) {
    QWidget* target = PrintedWidget(centralWidget());
    if (!target)
        return;
    IPrinting* printing = Printing();
    if (!printing)
        return;
    const PrintOutcome outcome =
        printing->Print(*target, this, withDialog, m_services.choosePrinter);
    if (outcome.printed || outcome.cancelled || !m_services.messages)
        return;
    m_services.messages->Inform(
        outcome.outputFile.isEmpty()
            ? QCoreApplication::translate("XALScriptEdit",
                                          "The e-script could not be printed: the printer "
                                          "'%1' is not available.")
                  .arg(outcome.printerName)
            : QCoreApplication::translate("XALScriptEdit",
                                          "The e-script could not be printed to '%1'.")
                  .arg(outcome.outputFile),
        MsgIcon::Error);
}

void CMainFrame::OnPrintPreview() {
    QWidget* target = PrintedWidget(centralWidget());
    if (!target)
        return;
    if (IPrinting* printing = Printing())
        printing->Preview(*target, this);
}

void CMainFrame::CreateAccelerators() {
    for (const Accelerator& accel : EffectiveAccelerators()) {
        // Clipboard keys belong to the focused field (the grid copies URL blocks, a text field
        // its text); undo and redo act on the whole e-script from anywhere in the window.
        if (accel.command == XalCmd::Copy || accel.command == XalCmd::Cut ||
            accel.command == XalCmd::Paste)
            continue;
        auto* shortcut = new QShortcut(QKeySequence(accel.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = accel.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] { OnCommand(command); });
        m_accelerators.emplace_back(shortcut, command);
    }
}

void CMainFrame::UpdateCommandUI() {
    if (m_pRibbon)
        m_pRibbon->UpdateCommandUI();
    if (m_services.shellState)
        ShowNotSavable(m_services.shellState().notSavable);
    // A disabled shortcut lets its key through to the focused widget (Enter, Insert, F6).
    for (const auto& [shortcut, command] : m_accelerators)
        shortcut->setEnabled(m_router.IsEnabled(command));
}

void CMainFrame::ShowNotSavable(const QString& reason) {
    if (reason == m_strShownNotSavable)
        return;
    m_strShownNotSavable = reason;
    if (!m_pNotSavable) {
        m_pNotSavable = new QLabel(this);
        statusBar()->addPermanentWidget(m_pNotSavable, 1);
    }
    m_pNotSavable->setText(reason);
    m_pNotSavable->setVisible(!reason.isEmpty());
    // The greyed buttons and menu entries say it too (a loaded e-script stays unsavable).
    if (!m_pRibbon || reason.isEmpty())
        return;
    for (int command : {XalCmd::Save, XalCmd::SaveAndClose}) {
        if (QToolButton* button = m_pRibbon->FindButton(command))
            button->setToolTip(reason);
        for (QAction* action : m_pRibbon->FindMenuActions(command))
            action->setToolTip(reason);
    }
}

void CMainFrame::SetCentralView(QWidget* view) {
    setCentralWidget(view);
}

std::unique_ptr<QMenu> CMainFrame::BuildContextMenu(int menuId) {
    const ContextMenuDef* def = FindContextMenu(menuId);
    if (!def)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("contextMenu_%1").arg(menuId));
    for (const ContextMenuItem& item : def->items) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action =
            menu->addAction(QCoreApplication::translate("XALScriptEdit", item.text.toUtf8()));
        action->setData(item.command);
        action->setEnabled(m_router.IsEnabled(item.command));
    }
    return menu;
}

int CMainFrame::ShowContextMenu(int menuId, const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu = BuildContextMenu(menuId);
    if (!menu)
        return 0;
    QAction* chosen = menu->exec(globalPos);
    if (!chosen)
        return 0;
    const int command = chosen->data().toInt();
    OnCommand(command);
    return command;
}

void CMainFrame::SetConditionalScriptButton(bool bDelete) {
    if (m_pRibbon)
        m_pRibbon->SetElementText(kConditionalScriptButton, ConditionalScriptTextId(bDelete),
                                  ConditionalScriptToolTipId(bDelete));
}

void CMainFrame::OnSettingsWndTop() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CMainFrame::OnHelp() {
    const QString programDir = m_services.programDir.isEmpty()
                                   ? QCoreApplication::applicationDirPath()
                                   : m_services.programDir;
    const QString file = FindHelpFile(programDir);
    const auto tell = [this](const QString& text) {
        if (m_services.messages)
            m_services.messages->Inform(text, MsgIcon::Warning);
    };
    if (file.isEmpty()) {
        tell(QCoreApplication::translate(
            "XALScriptEdit", "The help for XALScripEdit could not be found. Set XAL_HELP_FILE to "
                             "the manual's path or install the README next to the program."));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(file);
    const bool opened =
        m_services.openUrl ? m_services.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        tell(QCoreApplication::translate(
                 "XALScriptEdit", "The help file '%1' could not be opened in the default browser.")
                 .arg(QFileInfo(file).absoluteFilePath()));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_services.closeGuard && !m_services.closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
}
