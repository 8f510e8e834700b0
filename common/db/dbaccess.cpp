#include "dbaccess.h"

#include "mongodb.h"

#include <algorithm>
#include <array>

namespace {
constexpr int kFieldStart[] = {kXalConnServer, kXalConnSet, kXalConnUser, kXalConnPassword};
constexpr int kFieldEnd[] = {kXalConnSet, kXalConnUser, kXalConnPassword, kXalConnectionChars};

void PutField(const QString& text, char16_t* field, int size) {
    int count = std::min(static_cast<int>(text.size()), size - 1);
    if (count > 0 && count < text.size() && text.at(count - 1).isHighSurrogate())
        --count;
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), count, field);
    std::fill(field + count, field + size, char16_t(0));
}

QString GetField(const char16_t* field, int size) {
    const char16_t* end = std::find(field, field + size, char16_t(0));
    return QString::fromUtf16(field, end - field);
}
} // namespace

void EncodeConnectionBlock(const CMDBAccess& access, char16_t* block) {
    const QString* fields[] = {&access.server, &access.set, &access.user, &access.password};
    for (int i = 0; i < 4; ++i)
        PutField(*fields[i], block + kFieldStart[i], kFieldEnd[i] - kFieldStart[i]);
}

CMDBAccess DecodeConnectionBlock(const char16_t* block) {
    CMDBAccess access;
    QString* fields[] = {&access.server, &access.set, &access.user, &access.password};
    for (int i = 0; i < 4; ++i)
        *fields[i] = GetField(block + kFieldStart[i], kFieldEnd[i] - kFieldStart[i]);
    return access;
}

bool ReadConnection(ConnectionBlockReader reader, CMDBAccess& access) {
    access = CMDBAccess();
    std::array<char16_t, kXalConnectionChars> block{};
    if (reader != nullptr && reader(block.data()))
        access = DecodeConnectionBlock(block.data());
    std::fill(block.begin(), block.end(), char16_t(0));
    if (access.server.isEmpty()) {
        access = CMDBAccess(); // no half settings, and no password kept for nothing
        return false;
    }
    return true;
}

bool ConnectSession(CMongoDB& db, const CMDBAccess& access, QString& error) {
    error.clear();
    if (!db.Connect(error))
        return false;
    return access.user.isEmpty() ||
           db.Authenticate(QStringLiteral("admin"), access.user, access.password, error, true);
}

std::unique_ptr<CMongoDB> OpenSession(const CMDBAccess& access, QString& error) {
    auto db = std::make_unique<CMongoDB>(access.server, access.set);
    if (!ConnectSession(*db, access, error))
        return nullptr;
    return db;
}

std::unique_ptr<CMongoDB> OpenConfiguredSession(ConnectionBlockReader reader, QString& error) {
    CMDBAccess access;
    if (!ReadConnection(reader, access)) {
        error = QStringLiteral("no database server configured");
        return nullptr;
    }
    return OpenSession(access, error);
}
