#include "xalcrypt.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr int kSaltSize = 16;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;
constexpr int kKeySize = 32;
constexpr int kIterations = 10000;

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

bool DeriveKey(const char* key, const unsigned char* salt,
               std::array<unsigned char, kKeySize>& out) {
    return PKCS5_PBKDF2_HMAC(key, static_cast<int>(std::strlen(key)), salt, kSaltSize, kIterations,
                             EVP_sha256(), kKeySize, out.data()) == 1;
}

} // namespace

bool EncryptStringW(const QString& plain, const char* key, QByteArray& cipherText) {
    cipherText.clear();
    if (key == nullptr)
        return false;
    const QByteArray text = plain.toUtf8();
    QByteArray raw(kSaltSize + kNonceSize + text.size() + kTagSize, '\0');
    auto* salt = reinterpret_cast<unsigned char*>(raw.data());
    unsigned char* nonce = salt + kSaltSize;
    unsigned char* body = nonce + kNonceSize;
    unsigned char* tag = body + text.size();
    if (RAND_bytes(salt, kSaltSize + kNonceSize) != 1)
        return false;
    std::array<unsigned char, kKeySize> derived{};
    if (!DeriveKey(key, salt, derived))
        return false;

    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int length = 0;
    int finalLength = 0;
    const bool ok =
        ctx &&
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, derived.data(), nonce) == 1 &&
        EVP_EncryptUpdate(ctx.get(), body, &length,
                          reinterpret_cast<const unsigned char*>(text.constData()),
                          static_cast<int>(text.size())) == 1 &&
        EVP_EncryptFinal_ex(ctx.get(), body + length, &finalLength) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag) == 1;
    OPENSSL_cleanse(derived.data(), derived.size());
    if (!ok)
        return false;
    cipherText = raw.toBase64();
    return true;
}

bool DecryptStringW(const char* cipherText, const char* key, QString& out) {
    out.clear();
    if (cipherText == nullptr || key == nullptr)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray(cipherText).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() < kSaltSize + kNonceSize + kTagSize)
        return false;
    const QByteArray& raw = decoded.decoded;
    const auto* salt = reinterpret_cast<const unsigned char*>(raw.constData());
    const unsigned char* nonce = salt + kSaltSize;
    const unsigned char* body = nonce + kNonceSize;
    const int bodySize = static_cast<int>(raw.size()) - kSaltSize - kNonceSize - kTagSize;
    // The tag is handed to OpenSSL through a non-const pointer; keep a copy.
    std::array<unsigned char, kTagSize> tag{};
    std::memcpy(tag.data(), body + bodySize, kTagSize);

    std::array<unsigned char, kKeySize> derived{};
    if (!DeriveKey(key, salt, derived))
        return false;
    QByteArray plain(bodySize + kTagSize, '\0');
    auto* plainData = reinterpret_cast<unsigned char*>(plain.data());
    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int length = 0;
    int finalLength = 0;
    const bool ok =
        ctx &&
        EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, derived.data(), nonce) == 1 &&
        EVP_DecryptUpdate(ctx.get(), plainData, &length, body, bodySize) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) == 1 &&
        EVP_DecryptFinal_ex(ctx.get(), plainData + length, &finalLength) == 1;
    OPENSSL_cleanse(derived.data(), derived.size());
    if (!ok) {
        OPENSSL_cleanse(plain.data(), plain.size());
        return false;
    }
    out = QString::fromUtf8(plain.constData(), length + finalLength);
    OPENSSL_cleanse(plain.data(), plain.size());
    return true;
}
