#include "browser.h"

#include "execprogram.h"
#include "xaltools.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

bool OpenInBrowser(const QString& url) {
    if (url.isEmpty())
        return false;
    const QString command = qEnvironmentVariable("XAL_BROWSER");
    if (!command.isEmpty()) {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty())
            return false;
        const QString program = words.takeFirst();
        return SpawnDetached(program, words << url, QString()) == 0;
    }
    // The desktop services need the GUI application; programs without one use xdg-open.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        return QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode));
    return SpawnDetached(QStringLiteral("xdg-open"), {url}, QString()) == 0;
}

bool XALOpenBrowser(const char16_t* url) {
    try {
        return url != nullptr && OpenInBrowser(QString::fromUtf16(url));
    } catch (...) {
        return false;
    }
}
