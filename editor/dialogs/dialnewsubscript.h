#pragma once
// Name of a new conditional script, created from the URL selected in the main script.

#include "messages.h"

#include <QString>
#include <QStringList>

class CDialNewSubscript {
public:
    explicit CDialNewSubscript(IMessageSink& messages) : m_messages(messages) {}

    QStringList m_lstExistingNames; // in: names of all conditional scripts
    QString m_strURL;               // in
    QString m_strName;              // out

    [[nodiscard]] bool IsOKEnabled() const { return !m_strName.isEmpty(); }
    // False (name field keeps the focus) when a script of that name exists, in any case.
    bool OnOK();
    [[nodiscard]] static QString Title();

private:
    IMessageSink& m_messages;
};
