// XALScripEdit: edits the e-script named by "/xalid:<id>" on the command line.
//
// Environment for scripted runs:
//   XAL_MESSAGE_ANSWERS      comma list of ok, yes, no, cancel: no message box is shown; each
//                            message is written to standard error as "message: <text>" and
//                            takes the next answer (the last one repeats)
//   XAL_EXIT_AFTER_START_MS  closes the main window that many milliseconds after start-up

#include "messagesinks.h"
#include "signalquit.h"
#include "xalscripeditapp.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brenvik Software GmbH"));
    QCoreApplication::setApplicationName(QStringLiteral("ScriptEditor"));

    const std::unique_ptr<IMessageSink> messages = CreateMessageSink();
    CXALScripEditApp app(qtApp, *messages);
    const CSignalQuitter quitter;

    if (!app.InitInstance(JoinArguments(QCoreApplication::arguments().mid(1)))) {
        app.ExitInstance();
        return 1;
    }

    bool ok = false;
    const int exitAfterMs = qEnvironmentVariableIntValue("XAL_EXIT_AFTER_START_MS", &ok);
    if (ok && exitAfterMs >= 0)
        QTimer::singleShot(exitAfterMs, &qtApp, [&app] { app.CloseMainWindow(); });

    const int result = QApplication::exec();
    const int exitResult = app.ExitInstance();
    return result != 0 ? result : exitResult;
}
