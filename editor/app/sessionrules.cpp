#include "sessionrules.h"

#include <QCoreApplication>

bool AskDomainQuestion(const QStringList& savedAvailable, const QStringList& remembered) {
    return savedAvailable.size() > remembered.size();
}

QString SaveFailedText(const QString& cause) {
    QString text = QCoreApplication::translate("XALScriptEdit", "The e-script could not be saved.");
    if (!cause.trimmed().isEmpty())
        text += QStringLiteral("\n") + cause.trimmed();
    text += QCoreApplication::translate("XALScriptEdit",
                                        "\nYour changes are kept in the editor; please try again.");
    return text;
}
