#include "dialflexcondurl.h"

#include "admtools.h"
#include "dialogtext.h"
#include "specialvars.h"
#include "xalstrings.h"

QString CDialFlexCondURL::Title() {
    return DialogText("XAL - E-Script Editor - Make URL Condition Flexible");
}

bool CDialFlexCondURL::OnOK() {
    QString checked = m_strConditionURL;
    checked.replace(u'*', kXalCondWildcard);
    if (!CAdmTools::IsValidURL(checked)) {
        m_messages.Inform(XalFormat(157, m_strConditionURL), MsgIcon::Warning);
        return false;
    }
    return true;
}
