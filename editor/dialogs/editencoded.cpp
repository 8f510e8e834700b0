#include "editencoded.h"

#include <QPalette>

CEditEncoded::CEditEncoded(QWidget* parent) : QLineEdit(parent) {
    // textEdited fires for the user's changes only, never for setText: the control's own
    // replacements are therefore not examined again.
    connect(this, &QLineEdit::textEdited, this, &CEditEncoded::OnEdited);
}

void CEditEncoded::SetHandlers(ChangeHandler onChange, std::function<int()> kind,
                               std::function<int()> mode) {
    m_onChange = std::move(onChange);
    m_kind = std::move(kind);
    m_mode = std::move(mode);
}

void CEditEncoded::SetBackground(DialogColor color) {
    m_crBackground = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor::fromRgb(color));
    setPalette(pal);
}

void CEditEncoded::OnEdited(const QString& text) {
    if (!m_onChange)
        return;
    const CEditEncodedLogic::Outcome outcome = m_onChange(text);
    if (outcome.replaced) {
        setText(outcome.text);
        if (outcome.cursor >= 0)
            setCursorPosition(int(outcome.cursor));
    }
    emit ValueChanged();
}

void CEditEncoded::focusInEvent(QFocusEvent* event) {
    if (m_kind && m_mode)
        SetBackground(CEditEncodedLogic::FocusInBackground(m_kind(), m_mode(), m_crBackground));
    QLineEdit::focusInEvent(event);
}

void CEditEncoded::focusOutEvent(QFocusEvent* event) {
    if (m_kind)
        SetBackground(CEditEncodedLogic::FocusOutBackground(m_kind(), m_crBackground));
    QLineEdit::focusOutEvent(event);
}
