#pragma once
// Logic of the e-script properties dialog: reads title, domain list and logon user and
// password of one e-script and stores them straight into its document, field by field, so
// that everything else in the document stays as it is.

#include "datadialogs.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class CMDBRecord;
class CMongoDB;

class CEScriptPropsData {
public:
    using Field = EScriptPropsField;

    QString m_strID;
    QString m_strTitle;
    QStringList m_lstDomain;          // the e-script's domain list
    QStringList m_lstDomainAvailable; // offered for the domain list; not edited here
    QString m_strLogonUser;
    QString m_strLogonPW;

    // Reads the e-script with this ID. False with a message in error when it is missing or
    // the database fails.
    bool Load(CMongoDB& db, const QString& id, QString& error);
    // Checks the fields; on failure error says why and field names the offending one.
    bool Validate(QString& error, Field& field) const;
    // The update: "$set" of the given fields and "$unset" of an empty logon user or password.
    [[nodiscard]] CMDBRecord BuildUpdate(std::int64_t nowMs) const;
    // Validates and stores. False with a message when the e-script is gone or the database
    // fails; the stored document is then unchanged.
    bool Store(CMongoDB& db, QString& error, Field* field = nullptr);

    // Cleans a domain list typed by the user: trimmed, lower case, empty lines and repeats
    // dropped, order kept.
    static QStringList NormaliseDomains(const QStringList& lines);
};

inline constexpr char16_t kEScriptCollection[] = u"xaldata.escript";
