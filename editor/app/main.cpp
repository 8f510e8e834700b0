// XALScripEdit: edits the e-script named by "/xalid:<id>" on the command line.
//
// Environment for scripted runs:
//   XAL_MESSAGE_ANSWERS      comma list of ok, yes, no, cancel: no message box is shown; each
//                            message is written to standard error as "message: <text>" and
//                            takes the next answer (the last one repeats)
//   XAL_EXIT_AFTER_START_MS  closes the main window that many milliseconds after start-up
//   XAL_EXIT_AFTER_FIRST_PAINT  "1" closes the main window right after its first paint (the
//                            e-script shown): a timed run measures start, load and first picture
//   XAL_SCREENSHOT           once the window is up, saves a picture of it to this PNG file and
//                            ends (for machines without a display and for documentation)
// "--help" and "--version" print their text and end before anything else starts.

#include "firstpaint.h"
#include "messagesinks.h"
#include "signalquit.h"
#include "usage.h"
#include "xaldatadlg.h"
#include "xalscripeditapp.h"

#include <QApplication>
#include <QMainWindow>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <sys/stat.h>

int main(int argc, char* argv[]) {
    // Everything this program creates (store, trace, recovery files, settings) holds e-script
    // data or logon passwords: readable by the user only.
    ::umask(077);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const InfoSwitch info = FindInfoSwitch(arguments); info != InfoSwitch::None) {
        const QByteArray text =
            (info == InfoSwitch::Help ? UsageText() : VersionText()).toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    QApplication qtApp(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brenvik Software GmbH"));
    QCoreApplication::setApplicationName(QStringLiteral("ScriptEditor"));

    const std::unique_ptr<IMessageSink> messages = CreateMessageSink();
    CQtDataDialogs dialogs;
    CXALScripEditApp app(qtApp, *messages, dialogs);
    // SIGTERM, SIGINT and SIGHUP keep unsaved changes for the next start and end the run at
    // once: no question can hold the program.
    const CSignalQuitter quitter([&app](int signal) { app.EndOnSignal(signal); });

    if (!app.InitInstance(JoinArguments(QCoreApplication::arguments().mid(1)))) {
        app.ExitInstance();
        return 1;
    }

    bool ok = false;
    const int exitAfterMs = qEnvironmentVariableIntValue("XAL_EXIT_AFTER_START_MS", &ok);
    if (ok && exitAfterMs >= 0)
        QTimer::singleShot(exitAfterMs, &qtApp, [&app] { app.CloseMainWindow(); });

    std::unique_ptr<CFirstPaintAction> firstPaint;
    if (QMainWindow* window = app.GetMainWindow();
        window != nullptr && qEnvironmentVariable("XAL_EXIT_AFTER_FIRST_PAINT") == u"1")
        firstPaint =
            std::make_unique<CFirstPaintAction>(*window, [&app] { app.CloseMainWindow(); });

    const QString screenshot = qEnvironmentVariable("XAL_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        // Let the first layout and paint happen before the window is grabbed.
        QTimer::singleShot(300, &qtApp, [&app, screenshot] {
            QMainWindow* window = app.GetMainWindow();
            if (window == nullptr || !window->grab().save(screenshot, "PNG"))
                std::fprintf(stderr, "XALScripEdit: could not write the screenshot %s\n",
                             qUtf8Printable(screenshot));
            app.CloseMainWindow();
        });
    }

    const int result = QApplication::exec();
    const int exitResult = app.ExitInstance();
    const int code = result != 0 ? result : exitResult;
    // Freeing every window and unloading every library one by one would only keep the user
    // waiting at every close.
    if (app.CanEndAtOnce())
        app.EndAtOnce(code);
    return code;
}
