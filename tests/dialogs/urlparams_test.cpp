// The URL parameter dialogs: parameter, flexible parameter and URL section.
#include "dialediturlparams.h"
#include "dialurlparameter.h"
#include "dialurlparamsflex.h"
#include "specialvars.h"
#include "xalstrings.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(EditURLParams, kind_combo_selects_placeholder_2_with_next_number_3) {
    CScriptedMessages messages;
    CDialEditURLParams dialog(messages);
    dialog.m_nKind = 9999;
    dialog.m_strValue = S("_XALURL_2_");
    dialog.m_nNextFlexibleNumber = 3;
    dialog.Open();
    ASSERT_EQ(dialog.KindEntries().size(), 6);
    EXPECT_EQ(dialog.KindIndex(), 5);
    EXPECT_TRUE(dialog.IsValueReadOnly());
    EXPECT_FALSE(dialog.IsEncodingButtonEnabled());
    EXPECT_EQ(dialog.InformationText(), XalString(52));
}

TEST(EditURLParams, embedded_variable_gets_its_own_entry_and_survives_a_round_trip) {
    CScriptedMessages messages;
    CDialEditURLParams dialog(messages);
    dialog.m_nKind = 9999;
    dialog.m_strName = S("path");
    dialog.m_strValue = S("a/_XALURL_1_/b");
    dialog.m_strPredefinedValue = S("a/42/b");
    dialog.m_nNextFlexibleNumber = 2;
    dialog.Open();
    EXPECT_EQ(dialog.KindIndex(), 3);
    EXPECT_EQ(dialog.KindEntries().at(3), XalString(15));
    dialog.ChooseKind(0);
    EXPECT_EQ(dialog.m_strValue, S("a/42/b"));
    dialog.ChooseKind(3);
    EXPECT_EQ(dialog.m_strValue, S("a/_XALURL_1_/b"));
    dialog.ChooseKind(5); // _XALURL_1_, after the inserted entry
    EXPECT_EQ(dialog.m_strValue, S("_XALURL_1_"));
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_nFlags, 0x8000);
}

TEST(EditURLParams, add_mode_fixes_kind_and_logon_kinds_show_their_variable) {
    CScriptedMessages messages;
    CDialEditURLParams add(messages);
    add.m_bAdd = true;
    add.m_nKind = 2;
    add.m_nNextFlexibleNumber = 4;
    add.Open();
    EXPECT_EQ(add.KindEntries().size(), 3);
    EXPECT_FALSE(add.IsKindEnabled());
    EXPECT_EQ(add.m_nKind, 0);
    EXPECT_EQ(add.Title(), XalString(155));

    CDialEditURLParams edit(messages);
    edit.m_strValue = S("alice");
    edit.m_strPredefinedValue = S("alice");
    edit.m_nMethodMark = 2;
    edit.Open();
    EXPECT_TRUE(edit.m_bSendInURL);
    EXPECT_TRUE(edit.IsSendInURLEnabled());
    edit.ChooseKind(1);
    EXPECT_EQ(edit.m_strValue, kXalUrlUser);
    EXPECT_EQ(edit.m_strNonEncodedValue, kXalUrlUser);
    EXPECT_EQ(edit.ValueBackground(), 0xD3D3D3u);
    edit.SetName(S("user"));
    ASSERT_TRUE(edit.OnOK());
    EXPECT_EQ(edit.m_nFlags, 0x200);
    edit.ChooseKind(0);
    EXPECT_EQ(edit.m_strValue, S("alice"));
    EXPECT_EQ(edit.EncodingMode(), 1);
    EXPECT_EQ(edit.InformationText(), XalString(46));
}

TEST(EditURLParams, ok_refuses_typed_variables_and_bad_names_with_focus) {
    CScriptedMessages messages;
    CDialEditURLParams dialog(messages);
    dialog.m_strName = S("n");
    dialog.Open();
    (void)dialog.ValueEdited(S("_XALURL_USER_"));
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(dialog.FocusField(), CDialEditURLParams::Field::Value);
    (void)dialog.ValueEdited(S("v"));
    dialog.SetName(S("my name"));
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(dialog.FocusField(), CDialEditURLParams::Field::Name);
    dialog.SetName(S("x_XALURL_0_"));
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(messages.Texts(),
              QStringList({XalFormat(54, S("_XALURL_")), XalFormat(36, S("my name")),
                           XalFormat(54, S("_XALURL_"))}));
    dialog.SetName(QString());
    EXPECT_FALSE(dialog.IsOKEnabled());
}

TEST(URLParamsFlex, saved_value_stays_the_real_value_across_mode_switches) {
    CDialURLParamsFlex dialog;
    dialog.m_strName = S("session");
    dialog.m_strValue = S("abc123");
    dialog.m_nNextFlexibleNumber = 4;
    dialog.Open();
    EXPECT_EQ(dialog.m_strVariable, S("_XALURL_4_"));
    EXPECT_FALSE(dialog.AreReplaceBoxesEnabled());
    dialog.ChooseMode(1);
    EXPECT_EQ(dialog.m_strValue, S("_XALURL_4_"));
    dialog.ChooseMode(2);
    EXPECT_EQ(dialog.m_strValue, S("_XALURL_4_"));
    EXPECT_TRUE(dialog.AreReplaceBoxesEnabled());
    EXPECT_FALSE(dialog.IsSeparatorEnabled());
    dialog.m_bReplaceInParams = true;
    EXPECT_TRUE(dialog.IsSeparatorEnabled());
    dialog.ChooseMode(0);
    EXPECT_EQ(dialog.m_strValue, S("abc123"));
    dialog.ChooseMode(2);
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_nFlags, 0x8000);
    EXPECT_EQ(dialog.m_strSavedValue, S("abc123"));
}

TEST(URLParamsFlex, flexible_mode_opens_on_its_own_variable) {
    CDialURLParamsFlex dialog;
    dialog.m_strValue = S("_XALURL_1_");
    dialog.m_nMode = 1;
    dialog.m_strSavedValue = S("orig");
    dialog.m_bReplaceInURL = true;
    dialog.Open();
    EXPECT_EQ(dialog.m_strVariable, S("_XALURL_1_"));
    dialog.ChooseMode(0);
    EXPECT_EQ(dialog.m_strValue, S("orig"));
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_nFlags, 0);
    EXPECT_FALSE(dialog.m_bReplaceInURL);
}

TEST(URLParameter, candidates_keep_server_port_and_leading_sections) {
    CDialURLParameter dialog;
    dialog.m_strSourceURL = S("https://h.com:8443/a/b");
    dialog.m_strParameter = S("_XALURL_0_");
    dialog.Open();
    ASSERT_EQ(dialog.Candidates().size(), 2u);
    EXPECT_EQ(dialog.m_strNewURL, S("https://h.com:8443/_XALURL_0_/b"));
    dialog.SelectCandidate(1);
    EXPECT_EQ(dialog.m_strNewURL, S("https://h.com:8443/a/_XALURL_0_"));
    EXPECT_EQ(dialog.m_strValue, S("b"));

    dialog.SetSeparator(QString());
    EXPECT_TRUE(dialog.Candidates().empty());
    EXPECT_FALSE(dialog.IsOKEnabled());
    dialog.SetSeparator(S("/"));
    dialog.m_strSourceURL = S("http://h.com:80/x");
    dialog.Open();
    EXPECT_EQ(dialog.m_strNewURL, S("http://h.com/_XALURL_0_"));
}
