#include "domainexclusion.h"

#include "messages.h"
#include "mongodb.h"
#include "xallock.h"
#include "xalstrings.h"

namespace {

const QString kSettings = QStringLiteral("xaldata.settings");
const QString kLocalID = QStringLiteral("hidden_urls_local");
const QString kField = QStringLiteral("hidden_urls");
const QString kSettingsProgram = QStringLiteral("XAL Settings");

} // namespace

namespace {

bool ReadLocalList(CMongoDB& db, QStringList& list, bool* exists) {
    list.clear();
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), kLocalID);
    CMDBRecordList found;
    if (!db.SeekToList(kSettings, query, found))
        return false;
    if (!found.IsEmpty())
        found.GetAt(0)->DataToArrayObj(kField, list);
    if (exists)
        *exists = !found.IsEmpty();
    return true;
}

} // namespace

bool ReadLocalHiddenURLs(CMongoDB& db, QStringList& list) {
    return ReadLocalList(db, list, nullptr);
}

bool CDomainExclusion::ExcludeDomain(const QString& displayName, const QString& pattern) {
    if (m_messages.Ask(XalFormat(30, displayName), MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return false;
    ZVLockInfo holder;
    if (!ZVRegisterUniqueApplication(kSettingsProgram, &holder)) {
        m_messages.Inform(XalFormat(31, holder.strUser, holder.strStation), MsgIcon::Warning);
        return false;
    }
    const bool stored = StorePattern(displayName, pattern);
    ZVUnregisterApplication(kSettingsProgram);
    return stored;
}

bool CDomainExclusion::StorePattern(const QString& displayName, const QString& pattern) {
    if (!m_db || !m_db->IsConnected())
        return false;
    QStringList stored;
    bool exists = false;
    // An unreadable list must not be overwritten by one holding the new pattern only.
    if (!ReadLocalList(*m_db, stored, &exists))
        return false;
    if (stored.contains(pattern)) {
        m_messages.Inform(XalFormat(53, displayName), MsgIcon::Information);
        return false;
    }
    stored.append(pattern);

    CMDBRecord array = CMDBRecord::MakeArray();
    for (const QString& item : stored)
        array.AppendStr(item);
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), kLocalID);
    bool ok = false;
    if (exists) {
        CMDBRecord fields;
        fields.SetRecord(kField, array);
        CMDBRecord update;
        update.SetRecord(QStringLiteral("$set"), std::move(fields));
        ok = m_db->Update(kSettings, query, update);
    } else {
        CMDBRecord document;
        document.SetStr(QStringLiteral("_id"), kLocalID);
        document.SetRecord(kField, array);
        ok = m_db->Insert(kSettings, document);
    }
    if (ok)
        m_localList = stored;
    return ok;
}
