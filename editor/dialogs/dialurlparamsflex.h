#pragma once
// Making the value of one parameter of a script flexible, and choosing how widely the
// replacement reaches (same name and value, same value, inside URLs and parameter values).

#include <QString>
#include <QStringList>

class CDialURLParamsFlex {
public:
    QString m_strName;               // in
    QString m_strValue;              // in/out
    int m_nMode = 0;                 // in/out: 0 predefined, 1 same name and value, 2 same value
    int m_nNextFlexibleNumber = 0;   // in
    QString m_strSeparator;          // out
    bool m_bReplaceInURL = false;    // out
    bool m_bReplaceInParams = false; // out
    int m_nFlags = 0;                // out
    QString m_strSavedValue;         // in: the value the parameter had before it became flexible
    QString m_strVariable;           // the flexible variable text

    void Open();
    void ChooseMode(int mode);
    bool OnOK();

    [[nodiscard]] static QStringList ModeEntries();
    [[nodiscard]] static QString Title();
    [[nodiscard]] bool AreReplaceBoxesEnabled() const { return m_nMode == 2; }
    [[nodiscard]] bool IsSeparatorEnabled() const { return m_nMode == 2 && m_bReplaceInParams; }
    [[nodiscard]] static int FlagsFromMode(int mode);
};
