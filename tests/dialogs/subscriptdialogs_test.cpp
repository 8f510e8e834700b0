// The conditional-script dialogs.
#include "dialflexcondurl.h"
#include "dialnewsubscript.h"
#include "xalstrings.h"

#include <gtest/gtest.h>

TEST(NewSubscript, name_differing_only_in_case_is_refused) {
    CScriptedMessages messages;
    CDialNewSubscript dialog(messages);
    dialog.m_lstExistingNames = {QStringLiteral("Login"), QStringLiteral("Cart")};
    dialog.m_strName = QStringLiteral("LOGIN");
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(messages.Texts(), QStringList{XalFormat(141, QStringLiteral("LOGIN"))});
    dialog.m_strName = QStringLiteral("Login2");
    EXPECT_TRUE(dialog.OnOK());
    dialog.m_strName.clear();
    EXPECT_FALSE(dialog.IsOKEnabled());
}

TEST(FlexCondURL, wildcards_pass_the_check_and_come_back_as_entered) {
    CScriptedMessages messages;
    CDialFlexCondURL dialog(messages);
    dialog.m_strConditionURL = QStringLiteral("https://h.com/*/item?id=*");
    EXPECT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_strConditionURL, QStringLiteral("https://h.com/*/item?id=*"));
    dialog.m_strConditionURL = QStringLiteral("https://h.com/* x");
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(messages.Texts(), QStringList{XalFormat(157, QStringLiteral("https://h.com/* x"))});
}
