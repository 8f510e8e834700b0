#pragma once
// URL and parameter syntax checker used by the dialogs: accepts well-formed http, https and
// ftp URLs and parameter texts of the form name=value.

#include <QString>

class CAdvURL {
public:
    CAdvURL() = default;

    // encoded: the text is percent-encoded as a whole (as CAdmTools::URLEncode writes it,
    // separators included) and is decoded before it is checked.
    void SetURL(const QString& url, bool encoded);
    [[nodiscard]] bool IsValid() const { return m_bValid; }
    [[nodiscard]] const QString& GetURL() const { return m_strURL; }

    // "name=value": a non-empty name without blanks, controls or URL delimiters, and a value
    // that can stand unencoded in a query (no blanks, controls, "&" or "#").
    [[nodiscard]] bool ValidateParameter(const QString& text) const;

private:
    QString m_strURL;
    bool m_bValid = false;
};
