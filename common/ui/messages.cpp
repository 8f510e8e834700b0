#include "messages.h"

MsgAnswer DefaultAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgAnswer::Ok;
}

MsgAnswer CScriptedMessages::Ask(const QString& text, MsgButtons buttons, MsgIcon icon) {
    m_texts.append(text);
    m_icons.push_back(icon);
    if (!m_answers.empty()) {
        m_last = m_answers.front();
        m_hasLast = true;
        m_answers.pop_front();
        return m_last;
    }
    return m_hasLast ? m_last : DefaultAnswer(buttons);
}

std::deque<MsgAnswer> ParseMessageAnswers(const QString& list) {
    std::deque<MsgAnswer> answers;
    const QStringList words = list.split(u',', Qt::SkipEmptyParts);
    for (const QString& raw : words) {
        const QString w = raw.trimmed().toLower();
        if (w == u"ok")
            answers.push_back(MsgAnswer::Ok);
        else if (w == u"yes")
            answers.push_back(MsgAnswer::Yes);
        else if (w == u"no")
            answers.push_back(MsgAnswer::No);
        else if (w == u"cancel")
            answers.push_back(MsgAnswer::Cancel);
        else if (w == u"retry")
            answers.push_back(MsgAnswer::Retry);
    }
    return answers;
}

QString MessageAnswerName(MsgAnswer answer) {
    switch (answer) {
    case MsgAnswer::Ok:
        return QStringLiteral("ok");
    case MsgAnswer::Cancel:
        return QStringLiteral("cancel");
    case MsgAnswer::Yes:
        return QStringLiteral("yes");
    case MsgAnswer::No:
        return QStringLiteral("no");
    case MsgAnswer::Retry:
        return QStringLiteral("retry");
    }
    return {};
}
