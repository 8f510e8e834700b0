#pragma once
// Editing the condition URL of a conditional script, where "*" stands for any text.

#include "messages.h"

#include <QString>

class CDialFlexCondURL {
public:
    explicit CDialFlexCondURL(IMessageSink& messages) : m_messages(messages) {}

    QString m_strConditionURL; // in/out, "*" kept

    [[nodiscard]] bool IsOKEnabled() const { return !m_strConditionURL.isEmpty(); }
    // False (URL field keeps the focus) when the URL, wildcards aside, is not a valid URL.
    bool OnOK();
    [[nodiscard]] static QString Title();

private:
    IMessageSink& m_messages;
};
