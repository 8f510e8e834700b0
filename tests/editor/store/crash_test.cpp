// A saving process killed at random moments: the stored e-script is always wholly the old one
// or wholly the new one.

#include "mongodb.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

#include <signal.h>

namespace {

const QString kNs = QStringLiteral("xaldata.escript");
constexpr int kUrls = 3000;

CMDBRecord LargeEScript() {
    CMDBRecord doc;
    doc.SetStr(QStringLiteral("_id"), QStringLiteral("big"));
    CMDBRecord domains = CMDBRecord::MakeArray();
    domains.AppendStr(QStringLiteral("gen-0"));
    doc.SetRecord(QStringLiteral("domainlist"), std::move(domains));
    CMDBRecord urls = CMDBRecord::MakeArray();
    for (int i = 0; i < kUrls; ++i) {
        CMDBRecord url;
        url.SetStr(QStringLiteral("url"), QStringLiteral("/u%1-g0").arg(i));
        url.SetStr(QStringLiteral("server"), QStringLiteral("www.example.com"));
        CMDBRecord params = CMDBRecord::MakeArray();
        CMDBRecord param;
        param.SetStr(QStringLiteral("name"), QStringLiteral("p"));
        param.SetStr(QStringLiteral("value"), QString(200, QLatin1Char('v')));
        params.AppendRecord(std::move(param));
        url.SetRecord(QStringLiteral("parameters"), std::move(params));
        urls.AppendRecord(std::move(url));
    }
    doc.SetRecord(QStringLiteral("urls"), std::move(urls));
    return doc;
}

// The generation every part of the stored e-script carries, or -1 when they differ.
int StoredGeneration(CMongoDB& db, QString& why) {
    CMDBRecord doc;
    if (!db.SeekReference(kNs, QStringLiteral("big"), doc)) {
        why = QStringLiteral("no document: ") + db.GetLastError();
        return -1;
    }
    QStringList domains;
    doc.DataToArrayObj(QStringLiteral("domainlist"), domains);
    if (domains.size() != 1) {
        why = QStringLiteral("domain list: ") + domains.join(u',');
        return -1;
    }
    const int generation = domains.front().mid(4).toInt();
    const QString mark = QStringLiteral("-g%1").arg(generation);
    const CMDBRecord* urls = doc.GetArrayPtr(QStringLiteral("urls"));
    if (urls == nullptr || urls->GetCount() != kUrls) {
        why = QStringLiteral("urls missing or cut");
        return -1;
    }
    for (int i = 0; i < kUrls; ++i) {
        const QString url = urls->GetRecordPtr(i)->GetStr(QStringLiteral("url"));
        if (!url.endsWith(mark)) {
            why = QStringLiteral("url %1 is %2 in generation %3").arg(i).arg(url).arg(generation);
            return -1;
        }
    }
    return generation;
}

TEST(CrashDuringSave, a_killed_save_leaves_the_old_or_the_new_escript_whole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("crash.db"));
    {
        CMongoDB db(QStringLiteral("embedded:") + path, QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        ASSERT_TRUE(db.Insert(kNs, LargeEScript())) << db.GetLastError().toStdString();
    }
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delay(100, 2500);
    int lastGeneration = 0;
    int progressed = 0;
    for (int run = 0; run < 24; ++run) {
        QProcess saver;
        saver.start(QStringLiteral(XAL_SAVE_LOOP), {path, QStringLiteral("big")});
        ASSERT_TRUE(saver.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(delay(random)));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        ASSERT_TRUE(saver.waitForFinished());
        ASSERT_EQ(saver.exitStatus(), QProcess::CrashExit)
            << saver.readAllStandardError().toStdString();

        CMongoDB db(QStringLiteral("embedded:") + path, QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        QString why;
        const int generation = StoredGeneration(db, why);
        ASSERT_GE(generation, lastGeneration) << "run " << run << ": " << why.toStdString();
        progressed += generation > lastGeneration ? 1 : 0;
        lastGeneration = generation;
    }
    // The kills must have hit saves in progress, not only the start-up.
    EXPECT_GT(progressed, 0) << "last generation " << lastGeneration;
}

} // namespace
