#pragma once
// Adding or editing one parameter of a URL: name, value, kind (predefined value, logon user,
// logon password, flexible variable) and whether a POST parameter travels in the URL anyway.

#include "editencodedlogic.h"
#include "messages.h"

#include <QString>
#include <QStringList>

class CDialEditURLParams {
public:
    enum class Field { None, Name, Value };

    explicit CDialEditURLParams(IMessageSink& messages) : m_messages(messages), m_edit(messages) {}

    // Inputs (and outputs where marked).
    bool m_bAdd = false;
    bool m_bKindLocked = false;
    QString m_strName;            // in/out
    QString m_strValue;           // in/out: encoded value
    QString m_strNonEncodedValue; // in/out: the value decoded
    QString m_strPredefinedValue; // restored when the kind goes back to 0
    int m_nKind = 0;              // in/out; 9999 only as input
    int m_nNextFlexibleNumber = 0;
    int m_nMethodMark = 0;
    bool m_bSendInURL = false; // out
    int m_nFlags = 64;         // out

    // Fills the dialog's state from the inputs; call once before showing it.
    void Open();

    [[nodiscard]] QString Title() const;
    [[nodiscard]] const QStringList& KindEntries() const { return m_lstKinds; }
    [[nodiscard]] int KindIndex() const { return m_nKindIndex; }
    [[nodiscard]] bool IsKindEnabled() const { return m_bKindEnabled; }
    [[nodiscard]] bool IsValueReadOnly() const { return m_nKind != 0; }
    [[nodiscard]] bool IsEncodingButtonEnabled() const { return m_bEncodingEnabled; }
    [[nodiscard]] bool IsSendInURLEnabled() const {
        return m_nMethodMark == 1 || m_nMethodMark == 2;
    }
    [[nodiscard]] const QString& InformationText() const { return m_strInformation; }
    [[nodiscard]] DialogColor ValueBackground() const { return m_crValueBackground; }
    [[nodiscard]] bool IsOKEnabled() const { return !m_strName.isEmpty(); }
    [[nodiscard]] int EncodingMode() const { return m_edit.EncodingMode(); }
    [[nodiscard]] CEditEncodedLogic& ValueEdit() { return m_edit; }

    void SetName(const QString& name) { m_strName = name; }
    // The user changed the value field; returns what the field must show.
    CEditEncodedLogic::Outcome ValueEdited(const QString& text);
    void ChooseKind(int index);
    void ToggleEncodingMode();

    // OK: false keeps the dialog open with the focus on FocusField().
    bool OnOK();
    [[nodiscard]] Field FocusField() const { return m_focus; }

    [[nodiscard]] static int FlagsFromKind(int kind);
    [[nodiscard]] static int KindFromFlags(int flags);

private:
    void SetValue(const QString& value);
    void UpdateInformation();

    IMessageSink& m_messages;
    CEditEncodedLogic m_edit;
    QStringList m_lstKinds;
    int m_nKindIndex = 0;
    bool m_bKindEnabled = false;
    bool m_bEncodingEnabled = true;
    bool m_bEmbedded = false;   // entry 3 is "XAL parameter in the URL parameter"
    QString m_strEmbeddedValue; // the value that entry stands for
    QString m_strInformation;
    DialogColor m_crValueBackground = 0xFFFFFF;
    Field m_focus = Field::None;
};
