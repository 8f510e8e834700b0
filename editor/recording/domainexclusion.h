#pragma once
// "Exclude domain from recording": adds a URL pattern to the local hidden-URL list of the
// settings documents. The suite's Settings program edits the same documents, so the write
// happens under its program lock.

#include <QString>
#include <QStringList>

class CMongoDB;
class IMessageSink;

// Reads hidden_urls of the settings document "hidden_urls_local" into list (emptied first; a
// missing document gives an empty list). False when the database could not be asked.
bool ReadLocalHiddenURLs(CMongoDB& db, QStringList& list);

class CDomainExclusion {
public:
    // db may be null (no session). localList is the application's in-memory local list; it is
    // replaced by the stored list plus the new pattern. All references must outlive this.
    CDomainExclusion(IMessageSink& messages, CMongoDB* db, QStringList& localList)
        : m_messages(messages), m_db(db), m_localList(localList) {}

    // True when the pattern was stored. Asks first (string 30); tells why when it was not.
    bool ExcludeDomain(const QString& displayName, const QString& pattern);

private:
    bool StorePattern(const QString& displayName, const QString& pattern);

    IMessageSink& m_messages; // Not owned.
    CMongoDB* m_db;           // Not owned; may be null.
    QStringList& m_localList; // Not owned.
};
