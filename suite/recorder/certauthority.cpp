#include "certauthority.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kCAKeyFile = "ca.key";
constexpr const char* kCACertFile = "ca.pem";
constexpr const char* kLeafKeyFile = "leaf.key";

struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileClose>;

std::string Join(const std::string& folder, const char* name) {
    return folder + "/" + name;
}

// Creates the folder (and missing parents) and makes the last level private.
bool MakePrivateFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || st.st_uid != ::geteuid()) {
        error = folder + " does not belong to this user";
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) {
        error = "cannot restrict " + folder;
        return false;
    }
    return true;
}

EvpKeyPtr ReadKey(const std::string& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return {};
    return EvpKeyPtr(PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr));
}

X509Ptr ReadCert(const std::string& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return {};
    return X509Ptr(PEM_read_X509(f.get(), nullptr, nullptr, nullptr));
}

// Writes through a temporary file created 0600, then renames it into place.
template <typename Writer> bool WritePrivateFile(const std::string& path, Writer write) {
    const std::string temp = path + ".tmp";
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    FILE* raw = ::fdopen(fd, "wb");
    if (!raw) {
        ::close(fd);
        return false;
    }
    FilePtr f(raw);
    bool ok = write(f.get()) == 1;
    ok = std::fflush(f.get()) == 0 && ok;
    ok = ::fsync(fd) == 0 && ok;
    f.reset();
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

EvpKeyPtr NewKey() {
    return EvpKeyPtr(EVP_EC_gen("P-256"));
}

bool SetRandomSerial(X509* cert) {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return false;
    bytes[0] &= 0x7F; // positive
    BIGNUM* bn = BN_bin2bn(bytes, sizeof bytes, nullptr);
    if (!bn)
        return false;
    const bool ok = BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert)) != nullptr;
    BN_free(bn);
    return ok;
}

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

X509Ptr NewCertificate(const std::string& commonName, long validDays, EVP_PKEY* key) {
    X509Ptr cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1 || !SetRandomSerial(cert.get()))
        return {};
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), validDays * 24L * 3600);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("XAL Recorder"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    if (X509_set_pubkey(cert.get(), key) != 1)
        return {};
    return cert;
}

bool IsIPAddress(const std::string& host) {
    unsigned char buf[16];
    return ::inet_pton(AF_INET, host.c_str(), buf) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

} // namespace

CCertAuthority::CCertAuthority(std::string folder) : m_folder(std::move(folder)) {
    LoadOrCreate();
}

std::string CCertAuthority::DefaultFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return std::string(data) + "/xal/recorder";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/xal/recorder";
}

std::string CCertAuthority::CACertificatePath() const {
    return Join(m_folder, kCACertFile);
}

bool CCertAuthority::LoadOrCreate() {
    if (!MakePrivateFolder(m_folder, m_error))
        return false;
    // Two recorders starting at once must not create two authorities.
    const std::string lockPath = Join(m_folder, ".lock");
    const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0 || ::flock(lockFd, LOCK_EX) != 0) {
        if (lockFd >= 0)
            ::close(lockFd);
        m_error = "cannot lock " + lockPath;
        return false;
    }
    m_caKey = ReadKey(Join(m_folder, kCAKeyFile));
    m_caCert = ReadCert(Join(m_folder, kCACertFile));
    m_leafKey = ReadKey(Join(m_folder, kLeafKeyFile));
    if (!m_caKey || !m_caCert || !m_leafKey ||
        X509_check_private_key(m_caCert.get(), m_caKey.get()) != 1) {
        m_caKey = NewKey();
        m_leafKey = NewKey();
        if (m_caKey && m_leafKey)
            m_caCert = NewCertificate("XAL Recorder CA", 3650, m_caKey.get());
        bool ok = m_caKey && m_leafKey && m_caCert;
        if (ok) {
            X509_set_issuer_name(m_caCert.get(), X509_get_subject_name(m_caCert.get()));
            ok = AddExtension(m_caCert.get(), m_caCert.get(), NID_basic_constraints,
                              "critical,CA:TRUE,pathlen:0") &&
                 AddExtension(m_caCert.get(), m_caCert.get(), NID_key_usage,
                              "critical,keyCertSign,cRLSign") &&
                 AddExtension(m_caCert.get(), m_caCert.get(), NID_subject_key_identifier, "hash") &&
                 X509_sign(m_caCert.get(), m_caKey.get(), EVP_sha256()) > 0;
        }
        ok = ok && WritePrivateFile(Join(m_folder, kCAKeyFile), [&](FILE* f) {
                 return PEM_write_PrivateKey(f, m_caKey.get(), nullptr, nullptr, 0, nullptr,
                                             nullptr);
             });
        ok = ok && WritePrivateFile(Join(m_folder, kLeafKeyFile), [&](FILE* f) {
                 return PEM_write_PrivateKey(f, m_leafKey.get(), nullptr, nullptr, 0, nullptr,
                                             nullptr);
             });
        ok = ok && WritePrivateFile(Join(m_folder, kCACertFile),
                                    [&](FILE* f) { return PEM_write_X509(f, m_caCert.get()); });
        if (!ok) {
            m_caKey.reset();
            m_caCert.reset();
            m_leafKey.reset();
            m_error = "cannot create the recorder's certificate authority in " + m_folder;
        }
    }
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return IsValid();
}

std::string CCertAuthority::LeafKeyHash() const {
    if (!m_leafKey)
        return {};
    unsigned char* der = nullptr;
    const int len = i2d_PUBKEY(m_leafKey.get(), &der);
    if (len <= 0)
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLen = 0;
    const bool ok =
        EVP_Digest(der, static_cast<size_t>(len), digest, &digestLen, EVP_sha256(), nullptr) == 1;
    OPENSSL_free(der);
    if (!ok)
        return {};
    std::string out(4 * ((digestLen + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), digest,
                                  static_cast<int>(digestLen));
    out.resize(static_cast<size_t>(n));
    return out;
}

X509* CCertAuthority::LeafCertificate(const std::string& host) {
    if (!IsValid() || host.empty() || host.size() > 253)
        return nullptr;
    // The name goes into an extension's configuration text: letters, digits, '.', '-', ':'.
    for (const char c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != ':' &&
            c != '_')
            return nullptr;
    }
    std::lock_guard guard(m_mutex);
    if (auto it = m_leaves.find(host); it != m_leaves.end())
        return it->second.get();
    X509Ptr cert =
        NewCertificate(host.size() <= 64 ? host : "XAL Recorder host", 397, m_leafKey.get());
    if (!cert)
        return nullptr;
    X509_set_issuer_name(cert.get(), X509_get_subject_name(m_caCert.get()));
    const std::string san = (IsIPAddress(host) ? "IP:" : "DNS:") + host;
    if (!AddExtension(cert.get(), m_caCert.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !AddExtension(cert.get(), m_caCert.get(), NID_ext_key_usage, "serverAuth") ||
        !AddExtension(cert.get(), m_caCert.get(), NID_subject_alt_name, san.c_str()) ||
        X509_sign(cert.get(), m_caKey.get(), EVP_sha256()) <= 0)
        return nullptr;
    X509* raw = cert.get();
    m_leaves.emplace(host, std::move(cert));
    return raw;
}
