#include "xallanguage.h"

#include <QRegularExpression>

QString XalInstalledLanguageFile(const QString& programDir, const QString& language) {
    static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{1,8})?$"));
    if (programDir.isEmpty() || !code.match(language).hasMatch())
        return {};
    return programDir + QStringLiteral("/../share/xal/lg/") + language +
           QStringLiteral("/res/XALScriptEdit.") + language;
}
