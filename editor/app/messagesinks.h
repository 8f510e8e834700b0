#pragma once
// The two message sinks of the real program: message boxes, and for scripted runs one line on
// standard error per message with answers taken from XAL_MESSAGE_ANSWERS.

#include "messages.h"

#include <QString>

#include <cstdio>
#include <deque>
#include <memory>

// QMessageBox with the program's default caption, parented to the active window.
class CMessageBoxSink final : public IMessageSink {
public:
    MsgAnswer Ask(const QString& text, MsgButtons buttons, MsgIcon icon) override;
};

// Writes "message: <text>" (line breaks as \n) and answers from the list in order; the last
// answer repeats. An answer the buttons do not offer gives their first choice.
class CStderrMessages final : public IMessageSink {
public:
    explicit CStderrMessages(std::deque<MsgAnswer> answers, std::FILE* out = stderr);
    MsgAnswer Ask(const QString& text, MsgButtons buttons, MsgIcon icon) override;

private:
    std::deque<MsgAnswer> m_answers;
    std::FILE* m_out; // Not owned.
    MsgAnswer m_last = MsgAnswer::Ok;
    bool m_hasLast = false;
};

// The line CStderrMessages writes for a message text.
QString StderrMessageLine(const QString& text);

// The sink for this process: scripted when XAL_MESSAGE_ANSWERS is set, message boxes otherwise.
std::unique_ptr<IMessageSink> CreateMessageSink();
