#include "dialediturlparams.h"

#include "admtools.h"
#include "advurl.h"
#include "dialogtext.h"
#include "specialvars.h"
#include "xalstrings.h"

namespace {
constexpr int kFirstFlexibleEntry = 3;
constexpr DialogColor kLightYellow = 0xFFFF99;
constexpr DialogColor kLightGrey = 0xD3D3D3;
} // namespace

int CDialEditURLParams::FlagsFromKind(int kind) {
    if (kind == 1)
        return kSpecialVarLogonUser;
    if (kind == 2)
        return kSpecialVarLogonPassword;
    return kind >= kFirstFlexibleEntry ? int(kSpecialVarFlexValue) : int(kSpecialVarOrdinary);
}

int CDialEditURLParams::KindFromFlags(int flags) {
    if (flags & kSpecialVarFlexValue)
        return 9999;
    if (flags & kSpecialVarLogonUser)
        return 1;
    if (flags & kSpecialVarLogonPassword)
        return 2;
    return (flags & kSpecialVarFlexNameValue) ? 9999 : 0;
}

QString CDialEditURLParams::Title() const {
    return XalString(m_bAdd ? 155 : 156);
}

void CDialEditURLParams::Open() {
    m_lstKinds = {DialogText("has a predefined value"),
                  DialogText("to be used for login - user name (%user%)"),
                  DialogText("to be used for login - password (%password%)")};
    m_bEmbedded = false;
    m_bEncodingEnabled = true;
    m_edit.SetActive(false);
    m_edit.SetEncodingMode(0);
    if (m_bAdd || m_bKindLocked) {
        m_nKind = 0;
        m_nKindIndex = 0;
        m_bKindEnabled = false;
    } else {
        m_bKindEnabled = true;
        for (int n = 0; n < m_nNextFlexibleNumber; ++n)
            m_lstKinds.append(FlexibleParameterName(n));
        if (m_nKind != 9999) {
            m_nKindIndex = m_nKind < m_lstKinds.size() ? m_nKind : -1;
        } else {
            m_nKindIndex = int(m_lstKinds.indexOf(m_strValue, kFirstFlexibleEntry));
            if (m_nKindIndex < 0) {
                // A value that holds a variable among other text keeps that text as a choice.
                for (int i = kFirstFlexibleEntry; i < m_lstKinds.size() && !m_bEmbedded; ++i)
                    m_bEmbedded = m_strValue.contains(m_lstKinds[i]);
                if (m_bEmbedded) {
                    m_strEmbeddedValue = m_strValue;
                    m_lstKinds.insert(kFirstFlexibleEntry, XalString(15));
                    m_nKindIndex = kFirstFlexibleEntry;
                }
            }
            m_bEncodingEnabled = false;
        }
    }
    if (m_nKind == 1 || m_nKind == 2)
        m_bEncodingEnabled = false;
    if (!IsSendInURLEnabled())
        m_bSendInURL = false;
    else
        m_bSendInURL = m_nMethodMark == 2;
    if (!HoldsLogonVariable(m_strValue))
        m_strNonEncodedValue = CAdmTools::URLDecode(m_strValue);
    m_crValueBackground = m_nKind == 0 ? 0xFFFFFF : kLightGrey;
    m_edit.Fill(m_strValue);
    if (m_nKind != 0)
        m_strInformation = XalString(52);
    else
        UpdateInformation();
    m_edit.SetActive(true);
}

void CDialEditURLParams::UpdateInformation() {
    m_strInformation = XalString(m_edit.EncodingMode() == 1 ? 46 : 47);
}

void CDialEditURLParams::SetValue(const QString& value) {
    m_strValue = value;
    m_strNonEncodedValue = CEditEncodedLogic::DecodedForOwner(value);
    m_edit.Fill(value);
}

CEditEncodedLogic::Outcome CDialEditURLParams::ValueEdited(const QString& text) {
    CEditEncodedLogic::Outcome outcome = m_edit.TextChanged(text);
    m_strValue = outcome.text;
    m_strNonEncodedValue = CEditEncodedLogic::DecodedForOwner(outcome.text);
    return outcome;
}

void CDialEditURLParams::ChooseKind(int index) {
    // Choosing the kind already chosen keeps what was typed.
    if (index < 0 || index >= m_lstKinds.size() || !m_bKindEnabled || index == m_nKindIndex)
        return;
    m_nKindIndex = index;
    m_nKind = index;
    if (index == 0) {
        m_edit.SetEncodingMode(1);
        m_crValueBackground = kLightYellow;
        SetValue(m_strPredefinedValue);
        m_bEncodingEnabled = true;
        UpdateInformation();
        return;
    }
    m_edit.SetEncodingMode(0);
    m_crValueBackground = kLightGrey;
    if (index == 1)
        SetValue(kXalUrlUser);
    else if (index == 2)
        SetValue(kXalUrlPassword);
    else if (m_bEmbedded && index == kFirstFlexibleEntry)
        SetValue(m_strEmbeddedValue);
    else
        SetValue(m_lstKinds[index]);
    m_bEncodingEnabled = false;
    m_strInformation = XalString(52);
}

void CDialEditURLParams::ToggleEncodingMode() {
    if (!m_bEncodingEnabled)
        return;
    m_edit.SetEncodingMode(m_edit.EncodingMode() == 1 ? 0 : 1);
    UpdateInformation();
}

bool CDialEditURLParams::OnOK() {
    m_focus = Field::None;
    QString kind;
    if (!IsValueReadOnly() && CAdmTools::GetSpecialVariableKind(m_strValue, kind)) {
        m_messages.Inform(XalFormat(54, kind), MsgIcon::Warning);
        m_focus = Field::Value;
        return false;
    }
    if (CAdmTools::GetSpecialVariableKind(m_strName, kind)) {
        m_messages.Inform(XalFormat(54, kind), MsgIcon::Warning);
        m_focus = Field::Name;
        return false;
    }
    if (!CAdvURL().ValidateParameter(m_strName + QStringLiteral("=dummy"))) {
        m_messages.Inform(XalFormat(36, m_strName), MsgIcon::Warning);
        m_focus = Field::Name;
        return false;
    }
    m_nFlags = FlagsFromKind(m_nKind);
    if (!IsSendInURLEnabled())
        m_bSendInURL = false;
    return true;
}
