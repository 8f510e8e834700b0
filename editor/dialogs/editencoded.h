#pragma once
// CEditEncoded: the value field of the URL parameter dialog. Hands every change the user makes
// to the dialog (which runs CEditEncodedLogic) and shows what comes back; colours itself by
// the parameter's kind when it gains or loses the focus.

#include "editencodedlogic.h"

#include <QLineEdit>

#include <functional>

class CEditEncoded final : public QLineEdit {
    Q_OBJECT
public:
    using ChangeHandler = std::function<CEditEncodedLogic::Outcome(const QString&)>;

    explicit CEditEncoded(QWidget* parent = nullptr);

    void SetHandlers(ChangeHandler onChange, std::function<int()> kind, std::function<int()> mode);
    void SetPrompt(const QString& prompt) {
        setPlaceholderText(CEditEncodedLogic::CueText(prompt));
    }
    void SetBackground(DialogColor color);
    [[nodiscard]] DialogColor Background() const { return m_crBackground; }

signals:
    void ValueChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnEdited(const QString& text);

    ChangeHandler m_onChange;
    std::function<int()> m_kind;
    std::function<int()> m_mode;
    DialogColor m_crBackground = 0xFFFFFF;
};
