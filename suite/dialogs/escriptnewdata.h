#pragma once
// Logic of the new-e-script dialog: the user names an ID, a title and a root URL and chooses
// what happens afterwards. The e-script is created, with an empty main script, only when its
// ID is free.

#include "datadialogs.h"

#include <QString>
#include <QStringList>

#include <functional>

class CMongoDB;

class CEScriptNewData {
public:
    // Result codes of the dialog.
    enum Code {
        kCancelled = 0,
        kCreatedOnly = 1, // created, nothing opened
        kOpenWithProperties = 2,
        kOpen = 3,
        kOpenWithRecording = 4,
    };
    using Field = EScriptNewField;

    // Turns a typed name into a valid ID in place; false when nothing is left.
    using IdVerifier = std::function<bool(QString& id)>;

    explicit CEScriptNewData(IdVerifier verifier);

    QString m_strID;
    QString m_strTitle;
    QString m_strRootURL;
    int m_nOpenCode = kOpen; // what the caller does after creation (1 to 4)

    // Checks the fields without the database; the verified ID replaces m_strID.
    bool Validate(QString& error, Field& field);
    // Validates, checks that the ID is free and inserts the document. False with a message
    // (and the field to fix) otherwise; nothing is stored then.
    bool Create(CMongoDB& db, QString& error, Field& field);
    // The array handed back to the caller: title, root URL, ID.
    [[nodiscard]] QStringList ResultArray() const;

    // Splits a root URL into protocol index (0 http, 1 https, 2 ftp), server and port
    // ("http://" is assumed when no protocol is given). False for anything else.
    static bool SplitRootURL(const QString& url, QString& normalised, int& protocol,
                             QString& server, int& port);

private:
    IdVerifier m_verifier;
};
