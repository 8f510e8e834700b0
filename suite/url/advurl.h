#pragma once
// URL and parameter syntax checker used by the dialogs: accepts well-formed http, https and
// ftp URLs and parameter texts of the form name=value.

#include <QString>

class CAdvURL {
public:
    CAdvURL() = default;

    // encoded: the text is percent-encoded as a whole (as CAdmTools::URLEncode writes it,
    // separators included) and is decoded before it is checked. Text with each UTF-8 byte as
    // one character is checked as the text it encodes, so it gets the verdict of that text.
    // Callers that hold the text itself pass it unencoded: the encoder's one-to-four hex
    // digits cannot always be read back ("%20AC" is "€" or a blank and "AC").
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
