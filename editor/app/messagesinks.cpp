#include "messagesinks.h"

#include <QApplication>
#include <QMessageBox>

namespace {
bool Offers(MsgButtons buttons, MsgAnswer answer) {
    switch (buttons) {
    case MsgButtons::Ok:
        return answer == MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        return answer == MsgAnswer::Ok || answer == MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        return answer == MsgAnswer::Yes || answer == MsgAnswer::No;
    case MsgButtons::YesNoCancel:
        return answer == MsgAnswer::Yes || answer == MsgAnswer::No || answer == MsgAnswer::Cancel;
    case MsgButtons::RetryCancel:
        return answer == MsgAnswer::Retry || answer == MsgAnswer::Cancel;
    }
    return false;
}

QMessageBox::StandardButtons ToQt(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer FromQt(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    default:
        return MsgAnswer::Ok;
    }
}
} // namespace

MsgAnswer CMessageBoxSink::Ask(const QString& text, MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(ToQt(icon), QApplication::applicationDisplayName(), text, ToQt(buttons),
                    QApplication::activeWindow());
    // Escape or the close button give the box's escape button (Cancel or No) as the answer.
    return FromQt(box.exec());
}

CStderrMessages::CStderrMessages(std::deque<MsgAnswer> answers, std::FILE* out)
    : m_answers(std::move(answers)), m_out(out) {}

QString StderrMessageLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    line.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    line.replace(QLatin1Char('\r'), QStringLiteral("\\n"));
    return QStringLiteral("message: ") + line;
}

MsgAnswer CStderrMessages::Ask(const QString& text, MsgButtons buttons, MsgIcon) {
    const QByteArray line = StderrMessageLine(text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), m_out);
    std::fflush(m_out);

    if (!m_answers.empty()) {
        m_last = m_answers.front();
        m_hasLast = true;
        m_answers.pop_front();
    }
    const MsgAnswer answer = m_hasLast ? m_last : DefaultAnswer(buttons);
    return Offers(buttons, answer) ? answer : DefaultAnswer(buttons);
}

std::unique_ptr<IMessageSink> CreateMessageSink() {
    if (qEnvironmentVariableIsSet("XAL_MESSAGE_ANSWERS"))
        return std::make_unique<CStderrMessages>(
            ParseMessageAnswers(qEnvironmentVariable("XAL_MESSAGE_ANSWERS")));
    return std::make_unique<CMessageBoxSink>();
}
