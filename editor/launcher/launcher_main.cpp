// Asks for the XAL ID of the e-script to edit and starts the editor on it. The user's
// language (zvlg) is settled here when the environment does not name one, so the editor
// starts in it without its "ZVLG" notice.

#include "qjenvironment.h"
#include "recentfilelist.h"
#include "xallanguage.h"
#include "xaltools.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTranslator>

namespace {
QString Tr(const char* english) {
    return QCoreApplication::translate("XALScriptEdit", english);
}

QString UserLanguage() {
    QString language = CQJEnvironment::Get(QStringLiteral("zvlg"));
    if (language.isEmpty()) {
        // Stored by the suite, else German on a German desktop, else English.
        XALSGetUserLG(language, false);
        if (language.isEmpty())
            language = QStringLiteral("en");
        qputenv("zvlg", language.toUtf8());
    }
    return language;
}

void LoadTexts(QTranslator& own, QTranslator& qt, const QString& language) {
    QString path;
    CQJEnvironment::StrToRealStr(
        QStringLiteral("%ZVHOME%/System/lg/%ZVLG%/res/XALScriptEdit.%ZVLG%"), path);
    if (own.load(path) ||
        own.load(XalInstalledLanguageFile(QCoreApplication::applicationDirPath(), language)))
        QCoreApplication::installTranslator(&own);
    if (qt.load(QStringLiteral("qtbase_") + language,
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The editor's settings, where its recent list is.
    QCoreApplication::setOrganizationName(QStringLiteral("Brenvik Software GmbH"));
    QCoreApplication::setApplicationName(QStringLiteral("ScriptEditor"));
    QApplication::setApplicationDisplayName(QStringLiteral("XAL E-script Editor"));

    QTranslator own;
    QTranslator qt;
    LoadTexts(own, qt, UserLanguage());

    QStringList recent;
    {
        const std::unique_ptr<CMyRecentFileList> list = MakeEditorRecentList();
        QSettings settings;
        list->ReadList(settings);
        for (int i = 0; i < list->GetSize(); ++i)
            if (!list->GetAt(i).isEmpty())
                recent.append(list->GetAt(i));
    }

    bool ok = false;
    const QString id =
        QInputDialog::getItem(nullptr, Tr("XAL E-script Editor"),
                              Tr("XAL ID of the e-script to edit:"), recent, 0, true, &ok)
            .trimmed();
    if (!ok || id.isEmpty())
        return 0;

    const QString editor =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("XALScripEdit"));
    if (!QProcess::startDetached(editor, {QStringLiteral("/xalid:") + id})) {
        QMessageBox::warning(nullptr, Tr("XAL E-script Editor"),
                             Tr("ScriptEditor can not be started!"));
        return 1;
    }
    return 0;
}
