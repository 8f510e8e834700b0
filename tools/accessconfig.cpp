#include "accessconfig.h"

#include "configfile.h"
#include "dbaccess.h"
#include "mongodb.h"
#include "qjinifile.h"
#include "qjtrace.h"
#include "xalcrypt.h"
#include "xalenv.h"
#include "xaltools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int kExpandChars = 260;

QString RunningProgramPath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

const QString kSection = QStringLiteral("MongoDB");

// The longest value each field of the connection block holds (its place less the zero).
struct FieldLimit {
    const char* key;
    QString CMDBAccess::*field;
    int chars;
};
constexpr FieldLimit kLimits[] = {
    {"Server", &CMDBAccess::server, kXalConnSet - kXalConnServer - 1},
    {"Set", &CMDBAccess::set, kXalConnUser - kXalConnSet - 1},
    {"User", &CMDBAccess::user, kXalConnPassword - kXalConnUser - 1},
    {"PW", &CMDBAccess::password, kXalConnectionChars - kXalConnPassword - 1},
};

const FieldLimit* TooLong(const CMDBAccess& access) {
    for (const FieldLimit& limit : kLimits) {
        if ((access.*limit.field).size() > limit.chars)
            return &limit;
    }
    return nullptr;
}

// The access file holds the database password (encrypted with a key every installation
// shares): readable by other users it is as good as in clear.
void WarnWhenReadableByOthers(const QString& path) {
    const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther;
    if ((QFile::permissions(path) & others) != 0)
        QJTrace(kTraceErrorLevel, QStringLiteral("XalTools"),
                QStringLiteral("Warning: the access file %1 holds a PW and other users can read "
                               "it; make it readable by its owner only (chmod 600).")
                    .arg(path));
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
    const bool hasServer = file->GetValue(kSection, QStringLiteral("Server"), access.server);
    file->GetValue(kSection, QStringLiteral("Set"), access.set);
    file->GetValue(kSection, QStringLiteral("User"), access.user);
    QString stored;
    if (file->GetValue(kSection, QStringLiteral("PW"), stored) && !stored.isEmpty()) {
        WarnWhenReadableByOthers(path);
        DecryptStringW(stored.toLocal8Bit().constData(), kXalAccessKey, access.password);
    }
    if (TooLong(access) != nullptr) {
        // A cut server, user or password would connect somewhere else or fail to log on.
        access = CMDBAccess();
        return false;
    }
    return hasServer && !access.server.isEmpty();
}

QString AccessFileProblem(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("no access configuration file: ZVHOME names no suite home");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the access file %1 does not exist").arg(path);
    if (info.isDir())
        return QStringLiteral("the access file %1 is a folder").arg(path);
    QFile raw(path);
    if (!raw.open(QIODevice::ReadOnly))
        return QStringLiteral("the access file %1 cannot be read: %2").arg(path, raw.errorString());
    const QByteArray bytes = raw.readAll();
    if (bytes.trimmed().isEmpty())
        return QStringLiteral("the access file %1 is empty").arg(path);
    // The reader takes UTF-16 files with their byte-order mark, and UTF-8 ones.
    const bool utf16 = bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff");
    const QString text =
        utf16 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                   bytes.size() / 2)
              : QString::fromUtf8(bytes);
    if ((!utf16 && bytes.contains('\0')) || text.contains(QChar::ReplacementCharacter))
        return QStringLiteral("the access file %1 is not a text file").arg(path);
    static const QRegularExpression sectionLine(QStringLiteral(R"(^\s*\[[^\]]*\])"),
                                                QRegularExpression::MultilineOption);
    if (!text.contains(sectionLine))
        return QStringLiteral("the access file %1 holds no section; the connection belongs in "
                              "a [MongoDB] section with a Server key")
            .arg(path);
    const std::unique_ptr<CQJIniFile> file = ReadConfigFile(path);
    if (!file)
        return QStringLiteral("the access file %1 cannot be read").arg(path);
    CMDBAccess access;
    QString value;
    file->GetValue(kSection, QStringLiteral("Server"), access.server);
    file->GetValue(kSection, QStringLiteral("Set"), access.set);
    file->GetValue(kSection, QStringLiteral("User"), access.user);
    if (file->GetValue(kSection, QStringLiteral("PW"), value) && !value.isEmpty())
        DecryptStringW(value.toLocal8Bit().constData(), kXalAccessKey, access.password);
    if (const FieldLimit* limit = TooLong(access))
        return QStringLiteral("the %1 text in the access file %2 has %3 characters; at most %4 "
                              "are possible")
            .arg(QLatin1String(limit->key), path, QString::number((access.*limit->field).size()),
                 QString::number(limit->chars));
    if (access.server.isEmpty())
        return QStringLiteral("the access file %1 names no Server in a [MongoDB] section")
            .arg(path);
    return {};
}

std::unique_ptr<CMongoDB> ConnectConfiguredDatabase() {
    QString error;
    return OpenConfiguredSession(XALIsMDBDataAvailable, error);
}

extern "C" int XALGetMDBDataProblem(char16_t* text, int chars) {
    try {
        const QString problem = AccessFileProblem(AccessFilePath());
        if (text != nullptr && chars > 0) {
            const int count = std::min(static_cast<int>(problem.size()), chars - 1);
            std::copy_n(reinterpret_cast<const char16_t*>(problem.utf16()), count, text);
            text[count] = 0;
        }
        return static_cast<int>(problem.size());
    } catch (...) {
        if (text != nullptr && chars > 0)
            text[0] = 0;
        return 0;
    }
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
