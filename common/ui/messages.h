#pragma once
// Every question and notice the editor shows goes through IMessageSink, so that logic can be
// tested without a screen (scripted answers) and the real program can use message boxes or,
// for scripted runs, standard error.

#include <QString>
#include <QStringList>

#include <deque>

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual MsgAnswer Ask(const QString& text, MsgButtons buttons, MsgIcon icon) = 0;
    void Inform(const QString& text, MsgIcon icon = MsgIcon::Information) {
        Ask(text, MsgButtons::Ok, icon);
    }
};

// Records every text asked and answers from a queue; the last answer repeats. With an empty
// queue it gives the first choice the buttons offer (Ok or Yes).
class CScriptedMessages final : public IMessageSink {
public:
    CScriptedMessages() = default;
    explicit CScriptedMessages(std::deque<MsgAnswer> answers) : m_answers(std::move(answers)) {}
    MsgAnswer Ask(const QString& text, MsgButtons buttons, MsgIcon icon) override;

    void Queue(MsgAnswer answer) { m_answers.push_back(answer); }
    [[nodiscard]] const QStringList& Texts() const { return m_texts; }
    [[nodiscard]] const std::vector<MsgIcon>& Icons() const { return m_icons; }
    void ClearTexts() {
        m_texts.clear();
        m_icons.clear();
    }

private:
    std::deque<MsgAnswer> m_answers;
    MsgAnswer m_last = MsgAnswer::Ok;
    bool m_hasLast = false;
    QStringList m_texts;
    std::vector<MsgIcon> m_icons;
};

// The answer a box gives when nothing else is known: the first choice its buttons offer.
MsgAnswer DefaultAnswer(MsgButtons buttons);

// Parses the answer list "ok,yes,no,cancel,retry"; unknown words are skipped.
std::deque<MsgAnswer> ParseMessageAnswers(const QString& list);
QString MessageAnswerName(MsgAnswer answer);
