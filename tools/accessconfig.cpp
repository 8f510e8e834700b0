#include "accessconfig.h"

#include "configfile.h"
#include "mongodb.h"
#include "qjinifile.h"
#include "toolsstrings.h"
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

bool ReadConnectionData(CMDBAccess& access) {
    char16_t block[kXalConnectionChars] = {};
    access = CMDBAccess();
    const bool ok = XALIsMDBDataAvailable(block);
    if (ok) {
        access.server = FieldText(block + kXalConnServer, kXalConnSet - kXalConnServer);
        access.set = FieldText(block + kXalConnSet, kXalConnUser - kXalConnSet);
        access.user = FieldText(block + kXalConnUser, kXalConnPassword - kXalConnUser);
        access.password =
            FieldText(block + kXalConnPassword, kXalConnectionChars - kXalConnPassword);
    }
    std::fill(std::begin(block), std::end(block), char16_t(0));
    return ok;
}

std::unique_ptr<CMongoDB> ConnectDatabase(const CMDBAccess& access) {
    auto db = std::make_unique<CMongoDB>(access.server, access.set);
    QString error;
    if (!db->Connect(error))
        return nullptr;
    if (!access.user.isEmpty() &&
        !db->Authenticate(QStringLiteral("admin"), access.user, access.password, error))
        return nullptr;
    return db;
}

std::unique_ptr<CMongoDB> ConnectConfiguredDatabase() {
    CMDBAccess access;
    if (!ReadConnectionData(access))
        return nullptr;
    return ConnectDatabase(access);
}

extern "C" bool XALIsMDBDataAvailable(char16_t* connection) {
    try {
        if (connection == nullptr)
            return false;
        std::fill(connection, connection + kXalConnectionChars, char16_t(0));
        CMDBAccess access;
        if (!ReadAccessFile(AccessFilePath(), access))
            return false;
        CopyToField(access.server, connection + kXalConnServer, kXalConnSet - kXalConnServer);
        CopyToField(access.set, connection + kXalConnSet, kXalConnUser - kXalConnSet);
        CopyToField(access.user, connection + kXalConnUser, kXalConnPassword - kXalConnUser);
        CopyToField(access.password, connection + kXalConnPassword,
                    kXalConnectionChars - kXalConnPassword);
        return true;
    } catch (...) {
        // A failure half-way must not hand out some fields as if they were the settings.
        if (connection != nullptr)
            std::fill(connection, connection + kXalConnectionChars, char16_t(0));
        return false;
    }
}
