#pragma once
// Small rules of the database session and account, kept apart from the application object so
// that they can be checked on their own.

#include <QString>
#include <QStringList>

// After a save: ask whether to edit the domain list when the saved e-script holds more
// available domains than were last loaded or saved (a recording added some).
[[nodiscard]] bool AskDomainQuestion(const QStringList& savedAvailable,
                                     const QStringList& remembered);

// The message for a save that did not reach the database, naming the cause.
[[nodiscard]] QString SaveFailedText(const QString& cause);
