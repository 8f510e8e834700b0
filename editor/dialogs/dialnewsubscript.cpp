#include "dialnewsubscript.h"

#include "dialogtext.h"
#include "xalstrings.h"

QString CDialNewSubscript::Title() {
    return DialogText("XAL Script Editor - Create Conditional Script");
}

bool CDialNewSubscript::OnOK() {
    if (m_lstExistingNames.contains(m_strName, Qt::CaseInsensitive)) {
        m_messages.Inform(XalFormat(141, m_strName), MsgIcon::Warning);
        return false;
    }
    return true;
}
