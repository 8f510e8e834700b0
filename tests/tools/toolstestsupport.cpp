#include "toolstestsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

std::optional<CRecordedStart> WaitForStart(const QString& dir, const QString& name, int timeoutMs) {
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".args");
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path)) {
        if (timer.elapsed() > timeoutMs)
            return std::nullopt;
        QThread::msleep(20);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    CRecordedStart start;
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("cwd:")))
            start.cwd = line.mid(4);
        else if (line.startsWith(QLatin1String("fd:")))
            start.fds << line.mid(3);
        else if (line.startsWith(QLatin1String("arg:")))
            start.args << line.mid(4);
    }
    return start;
}

bool WriteTextFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

void CSuiteTest::SetUp() {
    for (const char* name : {"zvhome", "zvbindir", "zvlg", "zvostype", "XAL_BROWSER"})
        qunsetenv(name);
    ASSERT_TRUE(m_home.isValid());
}

QString CSuiteTest::CfgPath(const QString& file) const {
    return Home() + QStringLiteral("/system/cfg/") + file;
}

void CSuiteTest::UseHome() {
    qputenv("zvhome", QFile::encodeName(Home()));
}

void CSuiteTest::WriteAccessFile(const QString& server, const QString& set, const QString& user,
                                 const std::optional<QString>& pw) {
    QString text =
        QStringLiteral("[MongoDB]\r\nServer=%1\r\nSet=%2\r\nUser=%3\r\n").arg(server, set, user);
    if (pw)
        text += QStringLiteral("PW=%1\r\n").arg(*pw);
    ASSERT_TRUE(WriteTextFile(CfgPath(QStringLiteral("zvaccess.cfg")), text.toLocal8Bit()));
}

void CSuiteTest::WriteXalCfg(const QString& xalServer) {
    const QString text = QStringLiteral("; proxy\n[settings]\nXalServer = %1\n").arg(xalServer);
    ASSERT_TRUE(WriteTextFile(CfgPath(QStringLiteral("xal.cfg")), text.toLocal8Bit()));
}
