#pragma once
// Behaviour of the encoded edit field (the value of a URL parameter): finds the run the user
// inserted, URL-encodes it (mode 1) or refuses characters a parameter value may not hold
// (mode 0), and picks the background colours by the parameter's kind. The QLineEdit in
// editencoded.h only feeds changes in and shows the outcome.

#include "messages.h"

#include <QString>

#include <cstdint>

using DialogColor = std::uint32_t; // 0xRRGGBB

struct InsertedRun {
    qsizetype first = 0; // position of the run in the new text
    qsizetype length = 0;
};

// What lies in the new text between the longest common prefix and the longest common suffix
// (not overlapping the prefix) of the two texts; empty for a deletion.
[[nodiscard]] InsertedRun FindInsertedRun(const QString& previous, const QString& text);

class CEditEncodedLogic {
public:
    struct Outcome {
        QString text;          // what the control shows now
        qsizetype cursor = -1; // where the caret goes; -1 leaves it where it is
        bool replaced = false; // the control must replace its text (an own change)
    };

    explicit CEditEncodedLogic(IMessageSink& messages) : m_messages(messages) {}

    void SetEncodingMode(int mode) { m_nEncodingMode = mode; }
    [[nodiscard]] int EncodingMode() const { return m_nEncodingMode; }
    // Until active (the dialog has filled its fields) changes are not examined.
    void SetActive(bool active) { m_bActive = active; }
    [[nodiscard]] bool IsActive() const { return m_bActive; }

    // Text put in by the dialog, not typed: it is the text later changes are compared with,
    // so the next keystroke encodes only what was typed, never the filled value again.
    void Fill(const QString& text) { m_strPreviousText = text; }
    [[nodiscard]] const QString& PreviousText() const { return m_strPreviousText; }

    // The user changed the text (typing, pasting, deleting).
    Outcome TextChanged(const QString& text);

    // Value and decoded value the owning dialog takes from the field's text.
    [[nodiscard]] static QString DecodedForOwner(const QString& text);

    // Cue text: "<prompt>", or none for an empty prompt.
    [[nodiscard]] static QString CueText(const QString& prompt);
    // Background on gaining and losing the focus for a parameter of the kind.
    [[nodiscard]] static DialogColor FocusInBackground(int kind, int mode, DialogColor current);
    [[nodiscard]] static DialogColor FocusOutBackground(int kind, DialogColor current);

private:
    IMessageSink& m_messages;
    int m_nEncodingMode = 0;
    bool m_bActive = false;
    QString m_strPreviousText;
};
