#pragma once
// The recorder's certificate authority, created once per user: a CA key and certificate and one
// leaf key shared by every intercepted host, kept in a folder of the user's data directory
// (0700, files 0600). Leaf certificates are made on demand and cached for the process's life.

#include <openssl/ssl.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

struct EvpKeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct X509Free {
    void operator()(X509* p) const { X509_free(p); }
};
using EvpKeyPtr = std::unique_ptr<EVP_PKEY, EvpKeyFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;

class CCertAuthority {
public:
    // Loads the authority from folder, creating it when missing. Check IsValid() and Error().
    explicit CCertAuthority(std::string folder);

    // $XDG_DATA_HOME/xal/recorder, else ~/.local/share/xal/recorder.
    static std::string DefaultFolder();

    [[nodiscard]] bool IsValid() const { return m_caKey && m_caCert && m_leafKey; }
    [[nodiscard]] const std::string& Error() const { return m_error; }
    [[nodiscard]] const std::string& Folder() const { return m_folder; }
    [[nodiscard]] std::string CACertificatePath() const;
    // Base64 of the SHA-256 of the leaf key's SubjectPublicKeyInfo.
    [[nodiscard]] std::string LeafKeyHash() const;

    // Certificate for host (a DNS name or an IP address), signed by the authority and carrying
    // the leaf key. Null on failure.
    X509* LeafCertificate(const std::string& host);
    [[nodiscard]] EVP_PKEY* LeafKey() const { return m_leafKey.get(); }
    [[nodiscard]] X509* CACertificate() const { return m_caCert.get(); }

private:
    bool LoadOrCreate();

    std::string m_folder;
    std::string m_error;
    EvpKeyPtr m_caKey;
    X509Ptr m_caCert;
    EvpKeyPtr m_leafKey;
    std::mutex m_mutex;
    std::unordered_map<std::string, X509Ptr> m_leaves;
};
