#include "xalcrypt.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <dlfcn.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// libcrypto is opened when a password is first encrypted or decrypted, not when the program
// starts: loading it costs every start of the editor a few milliseconds, and most never need
// it. The names are the library's exported functions (OPENSSL_cleanse is one, not a macro).
#define XAL_CRYPTO_FUNCTIONS(X)                                                                    \
    X(EVP_CIPHER_CTX_ctrl)                                                                         \
    X(EVP_CIPHER_CTX_free)                                                                         \
    X(EVP_CIPHER_CTX_new)                                                                          \
    X(EVP_DecryptFinal_ex)                                                                         \
    X(EVP_DecryptInit_ex)                                                                          \
    X(EVP_DecryptUpdate)                                                                           \
    X(EVP_EncryptFinal_ex)                                                                         \
    X(EVP_EncryptInit_ex)                                                                          \
    X(EVP_EncryptUpdate)                                                                           \
    X(EVP_aes_256_gcm)                                                                             \
    X(EVP_sha256)                                                                                  \
    X(OPENSSL_cleanse)                                                                             \
    X(PKCS5_PBKDF2_HMAC)                                                                           \
    X(RAND_bytes)

constexpr char kCryptoLibrary[] = "libcrypto.so.3";

struct CryptoApi {
#define XAL_CRYPTO_POINTER(name) decltype(&::name) name = nullptr;
    XAL_CRYPTO_FUNCTIONS(XAL_CRYPTO_POINTER)
#undef XAL_CRYPTO_POINTER
};

// The library's functions, or null when it cannot be loaded or lacks one of them (then every
// encryption and decryption fails). Resolved once; the library stays loaded.
const CryptoApi* Crypto() {
    static std::once_flag once;
    static CryptoApi api;
    static bool complete = false;
    std::call_once(once, [] {
        void* library = ::dlopen(kCryptoLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;
        bool all = true;
#define XAL_CRYPTO_RESOLVE(name)                                                                   \
    api.name = reinterpret_cast<decltype(api.name)>(::dlsym(library, #name));                      \
    all = all && api.name != nullptr;
        XAL_CRYPTO_FUNCTIONS(XAL_CRYPTO_RESOLVE)
#undef XAL_CRYPTO_RESOLVE
        complete = all;
    });
    return complete ? &api : nullptr;
}

constexpr int kSaltSize = 16;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;
constexpr int kKeySize = 32;
constexpr int kIterations = 10000;

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

bool DeriveKey(const CryptoApi& c, const char* key, const unsigned char* salt,
               std::array<unsigned char, kKeySize>& out) {
    return c.PKCS5_PBKDF2_HMAC(key, static_cast<int>(std::strlen(key)), salt, kSaltSize,
                               kIterations, c.EVP_sha256(), kKeySize, out.data()) == 1;
}

} // namespace

bool EncryptStringW(const QString& plain, const char* key, QByteArray& cipherText) {
    cipherText.clear();
    const CryptoApi* crypto = Crypto();
    if (key == nullptr || crypto == nullptr)
        return false;
    const CryptoApi& c = *crypto;
    const QByteArray text = plain.toUtf8();
    QByteArray raw(kSaltSize + kNonceSize + text.size() + kTagSize, '\0');
    auto* salt = reinterpret_cast<unsigned char*>(raw.data());
    unsigned char* nonce = salt + kSaltSize;
    unsigned char* body = nonce + kNonceSize;
    unsigned char* tag = body + text.size();
    if (c.RAND_bytes(salt, kSaltSize + kNonceSize) != 1)
        return false;
    std::array<unsigned char, kKeySize> derived{};
    if (!DeriveKey(c, key, salt, derived))
        return false;

    CipherCtx ctx(c.EVP_CIPHER_CTX_new(), c.EVP_CIPHER_CTX_free);
    int length = 0;
    int finalLength = 0;
    const bool ok =
        ctx &&
        c.EVP_EncryptInit_ex(ctx.get(), c.EVP_aes_256_gcm(), nullptr, derived.data(), nonce) == 1 &&
        c.EVP_EncryptUpdate(ctx.get(), body, &length,
                            reinterpret_cast<const unsigned char*>(text.constData()),
                            static_cast<int>(text.size())) == 1 &&
        c.EVP_EncryptFinal_ex(ctx.get(), body + length, &finalLength) == 1 &&
        c.EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, tag) == 1;
    c.OPENSSL_cleanse(derived.data(), derived.size());
    if (!ok)
        return false;
    cipherText = raw.toBase64();
    return true;
}

bool DecryptStringW(const char* cipherText, const char* key, QString& out) {
    out.clear();
    const CryptoApi* crypto = Crypto();
    if (cipherText == nullptr || key == nullptr || crypto == nullptr)
        return false;
    const CryptoApi& c = *crypto;
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
    if (!DeriveKey(c, key, salt, derived))
        return false;
    QByteArray plain(bodySize + kTagSize, '\0');
    auto* plainData = reinterpret_cast<unsigned char*>(plain.data());
    CipherCtx ctx(c.EVP_CIPHER_CTX_new(), c.EVP_CIPHER_CTX_free);
    int length = 0;
    int finalLength = 0;
    const bool ok =
        ctx &&
        c.EVP_DecryptInit_ex(ctx.get(), c.EVP_aes_256_gcm(), nullptr, derived.data(), nonce) == 1 &&
        c.EVP_DecryptUpdate(ctx.get(), plainData, &length, body, bodySize) == 1 &&
        c.EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) == 1 &&
        c.EVP_DecryptFinal_ex(ctx.get(), plainData + length, &finalLength) == 1;
    c.OPENSSL_cleanse(derived.data(), derived.size());
    if (!ok) {
        c.OPENSSL_cleanse(plain.data(), plain.size());
        return false;
    }
    out = QString::fromUtf8(plain.constData(), length + finalLength);
    c.OPENSSL_cleanse(plain.data(), plain.size());
    return true;
}
