#include "accessconfig.h"

#include "configfile.h"
#include "dbaccess.h"
#include "mongodb.h"
#include "qjinifile.h"
#include "xalcrypt.h"
#include "xalenv.h"
#include "xaltools.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kExpandChars = 260;

QString RunningProgramPath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

QString AccessFilePath() {
    QString path;
    if (XalEnvIsAvailable()) {
        char16_t buffer[kExpandChars] = {};
        if (XalEnvExpand(QStringLiteral("%zvhome%/system/cfg/zvaccess.cfg"), buffer, kExpandChars))
            path = QString::fromUtf16(buffer);
    }
    if (path.isEmpty()) {
        const QString program = RunningProgramPath();
        if (!program.isEmpty())
            path = QDir::cleanPath(QFileInfo(program).absolutePath() +
                                   QStringLiteral("/../cfg/zvaccess.cfg"));
    }
    return path;
}

bool ReadAccessFile(const QString& path, CMDBAccess& access) {
    access = CMDBAccess();
    const std::unique_ptr<CQJIniFile> file = ReadConfigFile(path);
    if (!file)
        return false;
    const QString section = QStringLiteral("MongoDB");
    const bool hasServer = file->GetValue(section, QStringLiteral("Server"), access.server);
    file->GetValue(section, QStringLiteral("Set"), access.set);
    file->GetValue(section, QStringLiteral("User"), access.user);
    QString stored;
    if (file->GetValue(section, QStringLiteral("PW"), stored) && !stored.isEmpty())
        DecryptStringW(stored.toLocal8Bit().constData(), kXalAccessKey, access.password);
    return hasServer && !access.server.isEmpty();
}

std::unique_ptr<CMongoDB> ConnectConfiguredDatabase() {
    QString error;
    return OpenConfiguredSession(XALIsMDBDataAvailable, error);
}

extern "C" bool XALIsMDBDataAvailable(char16_t* connection) {
    try {
        if (connection == nullptr)
            return false;
        std::fill(connection, connection + kXalConnectionChars, char16_t(0));
        CMDBAccess access;
        if (!ReadAccessFile(AccessFilePath(), access))
            return false;
        EncodeConnectionBlock(access, connection);
        return true;
    } catch (...) {
        // A failure half-way must not hand out some fields as if they were the settings.
        if (connection != nullptr)
            std::fill(connection, connection + kXalConnectionChars, char16_t(0));
        return false;
    }
}
