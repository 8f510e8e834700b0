// The user's language (kept in the user's settings of the suite) and the runtime locale.

#include "xalenv.h"
#include "xaltools.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <clocale>

namespace {

// A language code has at most 9 characters; anything longer is not one.
constexpr int kLanguageChars = 9;

QString ReadLanguage() {
    const QSettings settings(QStringLiteral("Brenvik Software GmbH"), QStringLiteral("XAL 3"));
    const QVariant value = settings.value(QStringLiteral("language"));
    if (value.typeId() != QMetaType::QString)
        return {};
    const QString text = value.toString();
    return text.size() > kLanguageChars ? QString() : text.trimmed();
}

bool StoreLanguage(const QString& language) {
    QSettings settings(QStringLiteral("Brenvik Software GmbH"), QStringLiteral("XAL 3"));
    // The installation creates the user's settings; they are never created here.
    if (!QFileInfo::exists(settings.fileName()))
        return false;
    settings.setValue(QStringLiteral("language"), language);
    settings.sync();
    // The suite's settings are the user's alone, whatever mode the installation gave them.
    QFile::setPermissions(settings.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(QFileInfo(settings.fileName()).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return settings.status() == QSettings::NoError;
}

// The locale variables as the C runtime reads them for its default locale.
QString EnvironmentLocale(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

// "de" from "de_DE.UTF-8@euro", "de:en" or "de-AT".
QString PrimaryLanguage(const QString& locale) {
    QString language = locale.section(QLatin1Char(':'), 0, 0);
    language = language.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    return language.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0);
}

bool SystemUiIsGerman() {
    QString locale = EnvironmentLocale({"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"});
    if (locale.isEmpty())
        locale = QLocale::system().uiLanguages().value(0);
    return QLocale(PrimaryLanguage(locale)).language() == QLocale::German;
}

// "language_COUNTRY.codeset" of the user's default locale, e.g. "de_DE.UTF-8".
QByteArray DefaultLocaleName() {
    const QString locale = EnvironmentLocale({"LC_ALL", "LC_CTYPE", "LANG"});
    QString codeset;
    const qsizetype dot = locale.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        codeset = locale.mid(dot + 1).section(QLatin1Char('@'), 0, 0);
    const QString name =
        QLocale(locale.isEmpty()
                    ? QLocale::system().name()
                    : locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0))
            .name();
    QString text = name;
    if (!codeset.isEmpty())
        text += QLatin1Char('.') + codeset;
    return text.toLatin1();
}

} // namespace

extern "C" {

bool XALReadUserLG(QString& language) {
    try {
        language = QStringLiteral("en");
        const QString stored = ReadLanguage();
        if (stored.isEmpty())
            return false;
        language = stored;
        return true;
    } catch (...) {
        return false;
    }
}

bool XALSetUserLG(const char16_t* language) {
    try {
        return language != nullptr && StoreLanguage(QString::fromUtf16(language));
    } catch (...) {
        return false;
    }
}

bool XALSGetUserLG(QString& language, bool exportToEnvironment) {
    try {
        bool result = XALReadUserLG(language);
        if (!result) {
            language = SystemUiIsGerman() ? QStringLiteral("de") : QStringLiteral("en");
            result = StoreLanguage(language);
        }
        if (!language.isEmpty() && exportToEnvironment && XalEnvIsAvailable())
            XalEnvSet(QStringLiteral("zvlg"), language);
        return result;
    } catch (...) {
        return false;
    }
}

const char* XALTSetCurrentLocale() {
    try {
        const QByteArray name = DefaultLocaleName();
        return std::setlocale(LC_ALL, name.constData());
    } catch (...) {
        return nullptr;
    }
}

} // extern "C"
