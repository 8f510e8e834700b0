#include "testids.h"

#include "accessconfig.h"
#include "browser.h"
#include "configfile.h"
#include "mongodb.h"
#include "qjinifile.h"
#include "xalenv.h"
#include "xaltools.h"

namespace {

const QString kEscripts = QStringLiteral("xaldata.escript");
constexpr int kInsertTries = 20;
// Far more test copies than 30 minutes of testing can make; bounds a failing database.
constexpr int kLastTestNumber = 100000;
constexpr int kExpandChars = 260;

QString TestId(int number) {
    return QStringLiteral("xaltest%1").arg(number);
}

int TestNumber(const QString& testId) {
    return testId.mid(7).toInt();
}

bool IsLetterOrDigit(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

} // namespace

bool RemoveStaleTestCopies(CMongoDB& db) {
    CMDBRecord before;
    before.SetDateInMilliSecs(QStringLiteral("$lt"),
                              CMongoDB::GetCurrentDateInMilliSecs() - kTestCopyLifetimeMs);
    CMDBRecord query;
    query.SetBool(QStringLiteral("test"), true);
    query.SetRecord(QStringLiteral("lastchanged"), before);
    return db.Remove(kEscripts, query);
}

QString FindFreeTestId(CMongoDB& db, int first) {
    for (int number = std::max(first, 1); number <= kLastTestNumber; ++number) {
        CMDBRecord found;
        const QString id = TestId(number);
        if (db.SeekReference(kEscripts, id, found))
            continue;
        return db.GetLastError().isEmpty() ? id : QString();
    }
    return {};
}

bool InsertUnderFreeTestId(CMongoDB& db, CMDBRecord document, QString& testId) {
    testId.clear();
    int first = 1;
    for (int attempt = 0; attempt < kInsertTries; ++attempt) {
        const QString id = FindFreeTestId(db, first);
        if (id.isEmpty())
            return false;
        document.SetStr(QStringLiteral("_id"), id);
        if (db.Insert(kEscripts, document)) {
            testId = id;
            return true;
        }
        if (!db.LastErrorWasDuplicateKey())
            return false;
        first = TestNumber(id) + 1;
    }
    return false;
}

QString TestAddress(const QString& testId) {
    const QString pattern = QStringLiteral("%zvhome%/system/cfg/xal.cfg");
    char16_t buffer[kExpandChars] = {};
    const QString path =
        XalEnvExpand(pattern, buffer, kExpandChars) ? QString::fromUtf16(buffer) : pattern;
    const std::unique_ptr<CQJIniFile> file = ReadConfigFile(path);
    QString server;
    if (!file || !file->GetValue(QStringLiteral("Settings"), QStringLiteral("XalServer"), server) ||
        server.isEmpty())
        return {};
    return QStringLiteral("http://%1/xal/%2").arg(server, testId);
}

extern "C" {

bool XALTCreateFreeTestID(QString& testId) {
    try {
        testId.clear();
        const std::unique_ptr<CMongoDB> db = ConnectConfiguredDatabase();
        if (!db)
            return false;
        RemoveStaleTestCopies(*db);
        CMDBRecord reservation;
        reservation.SetDateInMilliSecs(QStringLiteral("lastchanged"),
                                       CMongoDB::GetCurrentDateInMilliSecs());
        reservation.SetStr(QStringLiteral("_id"), QString());
        reservation.SetBool(QStringLiteral("test"), true);
        return InsertUnderFreeTestId(*db, std::move(reservation), testId);
    } catch (...) {
        testId.clear();
        return false;
    }
}

bool XALTestEScript(const char16_t* xalId) {
    try {
        std::unique_ptr<CMongoDB> db = ConnectConfiguredDatabase();
        if (!db)
            return false;
        RemoveStaleTestCopies(*db);
        CMDBRecord copy;
        if (xalId == nullptr || !db->SeekReference(kEscripts, QString::fromUtf16(xalId), copy))
            return false;
        copy.SetDateInMilliSecs(QStringLiteral("lastchanged"),
                                CMongoDB::GetCurrentDateInMilliSecs());
        copy.SetBool(QStringLiteral("test"), true);
        copy.SetBool(QStringLiteral("uselicense"), false);
        copy.SetBool(QStringLiteral("userecording"), false);
        copy.SetBool(QStringLiteral("usepermission"), false);
        copy.SetLL(QStringLiteral("active"), 1);
        QString testId;
        if (!InsertUnderFreeTestId(*db, std::move(copy), testId))
            return false;
        db.reset(); // the browser may take a while; the connection is not needed for it
        return OpenInBrowser(TestAddress(testId));
    } catch (...) {
        return false;
    }
}

bool XALTVerifyID(QString& id) {
    try {
        if (id.isEmpty())
            return false;
        QString verified;
        verified.reserve(id.size());
        for (qsizetype i = 0; i < id.size(); ++i) {
            const QChar c = id.at(i);
            if (IsLetterOrDigit(c.unicode())) {
                verified += c.toLower();
                continue;
            }
            // A character outside the basic plane is one character, not two.
            if (c.isHighSurrogate() && i + 1 < id.size() && id.at(i + 1).isLowSurrogate())
                ++i;
            verified += QLatin1Char('-');
        }
        id = verified;
        return true;
    } catch (...) {
        return false;
    }
}

} // extern "C"
