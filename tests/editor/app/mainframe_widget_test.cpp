#include "fakelauncher.h"
#include "mainframe.h"
#include "messages.h"
#include "printing.h"
#include "recentfilelist.h"
#include "ribbonbar.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace {
class MainFrameWidget : public ::testing::Test {
protected:
    void SetUp() override {
        m_recent = MakeEditorRecentList();
        m_recent->Add(QStringLiteral("older"));
        m_recent->Add(QStringLiteral("newest"));
        FrameServices services;
        services.messages = &m_messages;
        services.recentFiles = m_recent.get();
        auto launcher = std::make_unique<CFakeLauncher>();
        m_launcher = launcher.get();
        services.launcher = std::move(launcher);
        services.newEScript = [this](QStringList& array) {
            ++m_newDialogs;
            array = {QStringLiteral("t"), QString(), QStringLiteral("fresh")};
            return 3;
        };
        services.information = [this] { ++m_information; };
        services.shellState = [this] { return m_state; };
        services.openUrl = [this](const QUrl& url) {
            m_opened.append(url);
            return true;
        };
        services.closeGuard = [this] { return m_allowClose; };
        services.choosePrinter = [this](QPrinter& printer) {
            ++m_printDialogs;
            if (m_printTo.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(m_printTo);
            return true;
        };
        m_frame = std::make_unique<CMainFrame>(std::move(services));
        m_ribbon = m_frame->Ribbon();
    }

    void Press(int command) {
        QToolButton* button = m_ribbon->FindButton(command);
        ASSERT_NE(button, nullptr) << command;
        button->click();
    }

    CScriptedMessages m_messages;
    std::unique_ptr<CMyRecentFileList> m_recent;
    CFakeLauncher* m_launcher = nullptr;
    int m_newDialogs = 0;
    int m_information = 0;
    ShellState m_state;
    QList<QUrl> m_opened;
    bool m_allowClose = true;
    int m_printDialogs = 0;
    QString m_printTo; // the print dialog is cancelled while empty
    std::unique_ptr<CMainFrame> m_frame;
    CRibbonBar* m_ribbon = nullptr;
};
} // namespace

TEST_F(MainFrameWidget, every_category_button_exists_and_unbuilt_commands_are_disabled) {
    for (int command : {XalCmd::XalTools, XalCmd::NewEScript, XalCmd::Save, XalCmd::SaveAndClose,
                        XalCmd::Properties, XalCmd::Test, XalCmd::Create, XalCmd::Edit,
                        XalCmd::Delete, XalCmd::ConditionalScript, XalCmd::Up, XalCmd::Down,
                        XalCmd::Browser, XalCmd::RecordStart, XalCmd::RecordStop})
        EXPECT_NE(m_ribbon->FindButton(command), nullptr) << command;
    EXPECT_EQ(m_ribbon->FindButton(XalCmd::NewEScript)->text(), QStringLiteral("New"));
    EXPECT_TRUE(m_ribbon->FindButton(XalCmd::NewEScript)->isEnabled());
    EXPECT_TRUE(m_ribbon->FindButton(XalCmd::XalTools)->isEnabled());
    for (int command : {XalCmd::Create, XalCmd::Edit, XalCmd::Test, XalCmd::RecordStart,
                        XalCmd::RecordStop, XalCmd::Properties})
        EXPECT_FALSE(m_ribbon->FindButton(command)->isEnabled()) << command;
    QToolButton* start = m_ribbon->FindButton(XalCmd::RecordStart);
    ASSERT_NE(start->menu(), nullptr);
    EXPECT_EQ(start->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(start->menu()->actions().size(), 2);
}

TEST_F(MainFrameWidget, save_follows_the_shell_state) {
    int saves = 0;
    m_frame->SetCommandHandler(XalCmd::Save, [&](int) { ++saves; });
    QToolButton* save = m_ribbon->FindButton(XalCmd::Save);
    EXPECT_FALSE(save->isEnabled());

    m_state = ShellState{true, 2, false, false, QString()};
    m_frame->UpdateCommandUI();
    EXPECT_TRUE(save->isEnabled());
    save->click();
    EXPECT_EQ(saves, 1);

    m_state.recordingStarted = true;
    m_frame->UpdateCommandUI();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(m_frame->OnCommand(XalCmd::Save));
    EXPECT_FALSE(m_ribbon->FindButton(XalCmd::NewEScript)->isEnabled());
    EXPECT_EQ(saves, 1);
}

TEST_F(MainFrameWidget, save_of_an_unsavable_escript_is_greyed_with_its_reason_shown) {
    int saves = 0;
    m_frame->SetCommandHandler(XalCmd::Save, [&](int) { ++saves; });
    const QString reason = QStringLiteral("The field 'urls' is a document, not an array.");
    m_state = ShellState{true, 2, false, false, reason};
    m_frame->UpdateCommandUI();

    QToolButton* save = m_ribbon->FindButton(XalCmd::Save);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(m_frame->OnCommand(XalCmd::Save));
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(save->toolTip(), reason);
    const auto labels = m_frame->statusBar()->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const QLabel* label) {
        return label->text() == reason && !label->isHidden();
    }));
}

TEST_F(MainFrameWidget, shell_commands_reach_their_programs) {
    Press(XalCmd::NewEScript);
    EXPECT_EQ(m_newDialogs, 1);
    Press(XalCmd::XalTools);
    EXPECT_EQ(m_launcher->calls,
              (QStringList{QStringLiteral("editor|/xalid:fresh|"), QStringLiteral("tools")}));
    EXPECT_TRUE(m_frame->OnCommand(XalCmd::Diagnostics));
    EXPECT_EQ(m_launcher->calls.last(), QStringLiteral("diagnostic"));

    m_ribbon->TabRowButtons().front()->click();
    EXPECT_EQ(m_information, 1);
}

TEST_F(MainFrameWidget, help_opens_the_manual_or_says_why_not) {
    QTemporaryDir dir;
    const QString manual = dir.filePath(QStringLiteral("manual.html"));
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XAL_HELP_FILE", manual.toUtf8());
    EXPECT_TRUE(m_frame->OnCommand(XalCmd::Help));
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_EQ(m_opened.front().toLocalFile(), QFileInfo(manual).canonicalFilePath());
    EXPECT_TRUE(m_messages.Texts().isEmpty());

    qputenv("XAL_HELP_FILE", dir.filePath(QStringLiteral("gone.html")).toUtf8());
    EXPECT_TRUE(m_frame->OnCommand(XalCmd::Help));
    qunsetenv("XAL_HELP_FILE");
    EXPECT_EQ(m_opened.size(), 1);
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_messages.Texts().front().contains(QStringLiteral("XAL_HELP_FILE")));
}

TEST_F(MainFrameWidget, application_menu_lists_recent_escripts_without_empty_lists) {
    QMenu* menu = m_ribbon->ApplicationMenu();
    emit menu->aboutToShow();
    EXPECT_TRUE(m_ribbon->FindMenuActions(XalCmd::Utilities).empty());
    EXPECT_TRUE(m_ribbon->FindMenuActions(XalCmd::Language).empty());
    const auto first = m_ribbon->FindMenuActions(XalCmd::RecentFirst);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first.front()->text(), QStringLiteral("&1 newest"));
    EXPECT_TRUE(m_ribbon->FindMenuActions(XalCmd::RecentFirst + 2).empty());
    m_ribbon->FindMenuActions(XalCmd::RecentFirst + 1).front()->trigger();
    EXPECT_EQ(m_launcher->calls, QStringList{QStringLiteral("editor|/xalid:older|")});

    m_recent->Add(QStringLiteral("third"));
    emit menu->aboutToShow();
    EXPECT_EQ(m_ribbon->FindMenuActions(XalCmd::RecentFirst).front()->text(),
              QStringLiteral("&1 third"));
    EXPECT_EQ(m_ribbon->FindMenuActions(XalCmd::RecentFirst + 2).size(), 1u);
}

TEST_F(MainFrameWidget, keys_run_accelerators_and_key_tips) {
    int properties = 0;
    int created = 0;
    m_frame->SetCommandHandler(XalCmd::Properties, [&](int) { ++properties; });
    m_frame->SetCommandHandler(XalCmd::Create, [&](int) { ++created; });
    m_frame->show();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));

    QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier); // Ctrl+P prints
    QTest::keyClick(m_frame.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(properties, 0);
    EXPECT_EQ(created, 1);

    QTest::keyClick(m_frame.get(), Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(m_frame.get(), Qt::Key_P);
    EXPECT_EQ(properties, 1);
    EXPECT_EQ(m_ribbon->KeyTipCommands().at(QStringLiteral("Alt+E, C, S")), XalCmd::SaveAndClose);
    EXPECT_EQ(m_ribbon->KeyTipCommands().at(QStringLiteral("Alt+M, X")), XalCmd::Close);
}

TEST_F(MainFrameWidget, conditional_script_button_switches_label) {
    QToolButton* button = m_ribbon->ButtonAt(kConditionalScriptButton);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button, m_ribbon->FindButton(XalCmd::ConditionalScript));
    m_frame->SetConditionalScriptButton(true);
    EXPECT_EQ(button->text(), QStringLiteral("Delete conditional script"));
    EXPECT_TRUE(button->toolTip().contains(QStringLiteral("Delete conditional script")));
    m_frame->SetConditionalScriptButton(false);
    EXPECT_EQ(button->text(), QStringLiteral("Create conditional script"));
    EXPECT_TRUE(button->toolTip().contains(QStringLiteral("currently selected URL")));
}

TEST_F(MainFrameWidget, close_asks_the_guard_and_settings_signal_restores) {
    m_frame->show();
    m_allowClose = false;
    EXPECT_TRUE(m_frame->OnCommand(XalCmd::Close));
    EXPECT_TRUE(m_frame->isVisible());

    m_frame->showMinimized();
    ASSERT_TRUE(m_frame->isMinimized());
    std::raise(SIGUSR1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_frame->isMinimized(); }, 2000));

    m_allowClose = true;
    EXPECT_TRUE(m_frame->OnCommand(XalCmd::Close));
    EXPECT_FALSE(m_frame->isVisible());
}

TEST_F(MainFrameWidget, context_menus_carry_commands_and_their_enabled_state) {
    m_frame->SetCommandHandler(
        XalCmd::Edit, [](int) {}, [](int) { return true; });
    m_frame->SetCommandHandler(
        XalCmd::Delete, [](int) {}, [](int) { return false; });
    const auto menu = m_frame->BuildContextMenu(345);
    ASSERT_NE(menu, nullptr);
    std::map<int, bool> enabled;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            enabled[action->data().toInt()] = action->isEnabled();
    EXPECT_EQ(enabled.size(), FindContextMenu(345)->items.size() - 5); // five separators
    EXPECT_TRUE(enabled.at(XalCmd::Edit));
    EXPECT_FALSE(enabled.at(XalCmd::Delete));
    EXPECT_FALSE(enabled.at(XalCmd::Create)); // no handler yet
    EXPECT_EQ(enabled.count(XalCmd::FlexibleParameter), 0u);
    EXPECT_EQ(m_frame->BuildContextMenu(999), nullptr);
    EXPECT_EQ(m_frame->BuildContextMenu(119)->actions().size(), 3);
}

TEST_F(MainFrameWidget, ctrl_p_prints_the_active_tab_and_tells_when_it_cannot) {
    int properties = 0;
    m_frame->SetCommandHandler(XalCmd::Properties, [&](int) { ++properties; });
    auto* tabs = new QTabWidget;
    tabs->addTab(new QLabel(QStringLiteral("https://www.shop.example/index.html")),
                 QStringLiteral("Main script"));
    m_frame->SetCentralView(tabs);
    m_frame->UpdateCommandUI();
    m_frame->show();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    QTemporaryDir dir;

    QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(m_printDialogs, 1) << "Ctrl+P is the print command";
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << "a cancelled print dialog prints nothing";

    m_printTo = dir.filePath(QStringLiteral("escript.pdf"));
    QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
    QFile pdf(m_printTo);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(5), QByteArray("%PDF-"));
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(properties, 0) << "the second Ctrl+P entry never applies";

    m_printTo = dir.filePath(QStringLiteral("no/such/folder/escript.pdf"));
    QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_TRUE(m_messages.Texts()[0].contains(m_printTo)) << m_messages.Texts()[0].toStdString();
}

// Printing lives in a module opened at the first print; one that cannot be loaded is named with
// the reason, and nothing is printed.
TEST(Printing, a_print_module_that_cannot_be_loaded_is_named_with_the_reason) {
    QString error;
    EXPECT_EQ(OpenPrinting(error, "libxal-no-such-module.so"), nullptr);
    EXPECT_TRUE(error.startsWith(QStringLiteral("libxal-no-such-module.so could not be loaded: ")))
        << error.toStdString();
    EXPECT_NE(OpenPrinting(error), nullptr) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
}
