#include "dialurlparamsflex.h"

#include "dialogtext.h"
#include "specialvars.h"

QStringList CDialURLParamsFlex::ModeEntries() {
    return {DialogText("has a predefined value"),
            DialogText("may contain different values - replace only if parameter name and "
                       "value are identical"),
            DialogText("may contain different values - replace if values are identical")};
}

QString CDialURLParamsFlex::Title() {
    return DialogText("XAL Script Editor - Define URL Parameter for a Script");
}

int CDialURLParamsFlex::FlagsFromMode(int mode) {
    if (mode == 1)
        return kSpecialVarFlexNameValue;
    return mode == 2 ? int(kSpecialVarFlexValue) : 0;
}

void CDialURLParamsFlex::Open() {
    if (m_nMode < 0 || m_nMode > 2)
        m_nMode = 0;
    m_strVariable = m_nMode == 0 ? FlexibleParameterName(m_nNextFlexibleNumber) : m_strValue;
}

void CDialURLParamsFlex::ChooseMode(int mode) {
    if (mode < 0 || mode > 2 || mode == m_nMode)
        return;
    if (mode == 0) {
        m_strValue = m_strSavedValue;
    } else if (m_nMode == 0) {
        // Only the real value is worth keeping: switching between the two flexible modes
        // shows the variable and must not make it the value to restore.
        m_strSavedValue = m_strValue;
        m_strValue = m_strVariable;
    }
    m_nMode = mode;
}

bool CDialURLParamsFlex::OnOK() {
    m_nFlags = FlagsFromMode(m_nMode);
    if (!AreReplaceBoxesEnabled()) {
        m_bReplaceInURL = false;
        m_bReplaceInParams = false;
    }
    return true;
}
