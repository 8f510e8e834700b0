#include "editencodedlogic.h"

#include "admtools.h"
#include "specialvars.h"
#include "xalstrings.h"

InsertedRun FindInsertedRun(const QString& previous, const QString& text) {
    qsizetype prefix = 0;
    const qsizetype common = std::min(previous.size(), text.size());
    while (prefix < common && previous[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix &&
           previous[previous.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    return {prefix, std::max<qsizetype>(0, text.size() - prefix - suffix)};
}

CEditEncodedLogic::Outcome CEditEncodedLogic::TextChanged(const QString& text) {
    Outcome outcome{text, -1, false};
    if (!m_bActive) {
        m_strPreviousText = text;
        return outcome;
    }
    const InsertedRun run = FindInsertedRun(m_strPreviousText, text);
    const QString inserted = text.mid(run.first, run.length);
    if (m_nEncodingMode == 0) {
        QString offending;
        if (run.length > 0 && !CAdmTools::ValidateParameter(inserted, offending)) {
            m_messages.Inform(XalFormat(14, offending), MsgIcon::Warning);
            outcome.text = m_strPreviousText;
            outcome.cursor = std::min(run.first, m_strPreviousText.size());
            outcome.replaced = true;
            return outcome; // the previous text stands
        }
    } else if (run.length > 0 && !HoldsInternalVariable(text)) {
        const QString encoded = CAdmTools::URLEncode(inserted);
        if (encoded != inserted) {
            outcome.text = text.left(run.first) + encoded + text.mid(run.first + run.length);
            outcome.cursor = outcome.text.size();
            outcome.replaced = true;
        }
    }
    m_strPreviousText = outcome.text;
    return outcome;
}

QString CEditEncodedLogic::DecodedForOwner(const QString& text) {
    return HoldsLogonVariable(text) ? text : CAdmTools::URLDecode(text);
}

QString CEditEncodedLogic::CueText(const QString& prompt) {
    return prompt.isEmpty() ? QString() : u'<' + prompt + u'>';
}

DialogColor CEditEncodedLogic::FocusInBackground(int kind, int mode, DialogColor current) {
    if (kind == 0)
        return mode == 1 ? 0xFFFAD2 : 0xFFC0CB;
    if (kind == 1 || kind == 2 || kind == 9999)
        return current;
    return 0xF5F5F5;
}

DialogColor CEditEncodedLogic::FocusOutBackground(int kind, DialogColor current) {
    if (kind == 0)
        return 0xFFFFFF;
    if (kind == 1 || kind == 2 || kind == 9999)
        return current;
    return 0xF5F5F5;
}
