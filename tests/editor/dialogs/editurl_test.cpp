// The URL dialog's logic: complete URL, OK, parameter rows, clipboard.
#include "admtools.h"
#include "dialediturl.h"
#include "dialediturlparams.h"
#include "specialvars.h"
#include "xalstrings.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}

CURLParamObj Param(const char* name, const char* value, int method = 0, int flags = 0x40) {
    CURLParamObj p;
    p.m_strName = S(name);
    p.m_strValue = S(value);
    p.m_strRawValue = S(value);
    p.m_strOrgValue = S(value);
    p.m_nMethod = method;
    p.m_nSpecialVariable = flags;
    return p;
}

CURLParamObj Flex(const char* name, const char* value, const char* org) {
    CURLParamObj p = Param(name, value, 0, 0x8000);
    p.m_strOrgValue = S(org);
    return p;
}

class EditURLLogic : public ::testing::Test {
protected:
    CDialEditURL& Dialog(std::vector<CURLParamObj> params = {}) {
        CURLObj url;
        url.m_lstParams = std::move(params);
        m_dialog.m_lstURLs.m_lstURLs.push_back(url);
        m_dialog.m_strServer = S("h.com");
        m_dialog.m_strAddress = S("/a");
        m_dialog.Open();
        return m_dialog;
    }
    QStringList Names() const {
        QStringList names;
        for (const CURLParamRow& row : m_dialog.Rows())
            names.append(row.strName);
        return names;
    }

    CScriptedMessages m_messages;
    CScriptedEditDialogs m_dialogs;
    CScriptedDialogShell m_shell;
    CDialEditURL m_dialog{m_messages, m_dialogs, m_shell};
};
} // namespace

TEST_F(EditURLLogic, port_8080_kept_and_default_ports_dropped_on_ok) {
    CDialEditURL& dialog = Dialog();
    dialog.SetServer(S("host.example:8080"));
    dialog.SetProtocol(1);
    EXPECT_EQ(dialog.CompleteURL(), S("https://host.example:8080/a"));
    ASSERT_TRUE(dialog.OnOK());
    const CURLObj& url = dialog.m_lstURLs.m_lstURLs.at(0);
    EXPECT_EQ(url.m_strServer, S("host.example:8080"));
    EXPECT_EQ(url.m_nInternetProtocol, 1);

    for (const char* server : {"http://h.com:80", "https://h.com:443"}) {
        dialog.SetServer(S(server));
        dialog.SetProtocol(0);
        ASSERT_TRUE(dialog.OnOK()) << server;
        EXPECT_EQ(dialog.m_lstURLs.m_lstURLs.at(0).m_strServer, S("h.com")) << server;
    }
    EXPECT_EQ(dialog.m_nProtocol, 1); // taken from the "https://" the server text named
    EXPECT_EQ(dialog.m_lstURLs.m_lstURLs.size(), 1u);
}

TEST_F(EditURLLogic, address_query_dropped_on_ok_and_post_rows_left_out_of_complete_url) {
    CDialEditURL& dialog = Dialog({Param("g", "1", 0), Param("p", "2", 1), Param("u", "3", 2)});
    dialog.SetAddress(S("/path?x=1"));
    EXPECT_EQ(dialog.CompleteURL(), S("http://h.com/path?x=1?g=1&u=3"));
    dialog.SetAddress(S("/path"));
    EXPECT_EQ(dialog.CompleteURL(), S("http://h.com/path?g=1&u=3"));
    dialog.SetAddress(S("/path?x=1"));
    dialog.DeleteParameter(); // row 0
    ASSERT_TRUE(dialog.OnOK()) << dialog.CompleteURL().toStdString();
    const CURLObj& url = dialog.m_lstURLs.m_lstURLs.at(0);
    EXPECT_EQ(url.m_strURL, S("/path"));
    ASSERT_EQ(url.m_lstParams.size(), 2u); // the query did not become rows
    EXPECT_EQ(url.m_lstParams[0].m_nMethod, 1);
    EXPECT_EQ(url.m_lstParams[1].m_nMethod, 2);
}

TEST_F(EditURLLogic, encoded_value_whose_shown_form_has_a_blank_is_accepted) {
    CURLParamObj param = Param("a", "x y");
    param.m_strRawValue = S("x%20y");
    CDialEditURL& dialog = Dialog({param});
    EXPECT_EQ(dialog.CompleteURL(), S("http://h.com/a?a=x y"));
    EXPECT_TRUE(dialog.OnOK()) << m_messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(dialog.m_lstURLs.m_lstURLs.at(0).m_lstParams.at(0).m_strRawValue, S("x%20y"));
}

TEST_F(EditURLLogic, invalid_url_refused_with_message_and_focus_on_server) {
    CDialEditURL& dialog = Dialog({Param("a", "x y")});
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(dialog.FocusField(), CDialEditURL::Field::Server);
    ASSERT_EQ(m_messages.Texts().size(), 1);
    EXPECT_EQ(m_messages.Texts()[0], XalFormat(157, S("http://h.com/a?a=x y")));
    EXPECT_FALSE(dialog.CopyURL());
    EXPECT_FALSE(m_shell.m_clipboard.has_value());
}

TEST_F(EditURLLogic, next_flexible_number_from_rows_in_any_order_minus_one_without) {
    CDialEditURL& dialog =
        Dialog({Param("b", "_XALURL_1_", 0, 0x8000), Param("u", "_XALURL_USER_", 0, 0x200),
                Param("a", "_XALURL_0_", 0, 0x8000)});
    EXPECT_EQ(dialog.NextFlexibleNumberFromRows(), 2);
    dialog.Select(0);
    dialog.MoveDown();
    dialog.MoveDown();
    EXPECT_EQ(dialog.NextFlexibleNumberFromRows(), 2);
    dialog.DeleteAllParameters();
    EXPECT_EQ(dialog.NextFlexibleNumberFromRows(), -1);
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_nNextFlexibleNumber, -1);
}

TEST_F(EditURLLogic, ok_never_lowers_the_counter_other_urls_use) {
    m_dialog.m_nNextFlexibleNumber = 5;
    CDialEditURL& dialog = Dialog({Param("a", "_XALURL_1_", 0, 0x8000)});
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(dialog.m_nNextFlexibleNumber, 5);
}

TEST_F(EditURLLogic, moving_a_row_moves_its_mark_and_record) {
    CDialEditURL& dialog = Dialog({Param("a", "1", 0), Param("b", "2", 2, 0x8000)});
    dialog.Select(1);
    EXPECT_TRUE(dialog.IsUpEnabled());
    EXPECT_FALSE(dialog.IsDownEnabled());
    dialog.MoveUp();
    EXPECT_EQ(dialog.Selected(), 0);
    EXPECT_EQ(dialog.Rows()[0].strName, S("b"));
    EXPECT_EQ(dialog.Rows()[0].nMethodMark, 2);
    EXPECT_EQ(dialog.Rows()[0].nKind, 9999);
    EXPECT_EQ(dialog.Rows()[1].nMethodMark, 0);
    EXPECT_FALSE(dialog.IsUpEnabled());
    dialog.MoveUp(); // at the top: nothing
    EXPECT_EQ(Names(), QStringList({S("b"), S("a")}));
}

TEST_F(EditURLLogic, method_change_sets_every_mark_and_drops_mark_2) {
    CDialEditURL& dialog = Dialog({Param("a", "1", 2), Param("b", "2", 0)});
    dialog.ChangeMethod(1);
    EXPECT_EQ(dialog.Rows()[0].nMethodMark, 1);
    EXPECT_EQ(dialog.Rows()[1].nMethodMark, 1);
    EXPECT_EQ(dialog.CompleteURL(), S("http://h.com/a"));
}

TEST_F(EditURLLogic, add_and_edit_through_the_parameter_dialog) {
    CDialEditURL& dialog = Dialog({Flex("f", "_XALURL_0_", "7")});
    dialog.m_nNextFlexibleNumber = 1;
    dialog.ChangeMethod(1);
    m_dialogs.m_params.push_back([](CDialEditURLParams& p) {
        EXPECT_TRUE(p.m_bAdd);
        EXPECT_EQ(p.m_nMethodMark, 1);
        p.SetName(S("q"));
        p.ToggleEncodingMode();
        (void)p.ValueEdited(S("a b"));
        p.m_bSendInURL = true;
        return p.OnOK();
    });
    ASSERT_TRUE(dialog.AddParameter());
    EXPECT_EQ(dialog.Selected(), 1);
    const CURLParamRow added = dialog.Rows()[1];
    EXPECT_EQ(added.strEntered, S("a%20b"));
    EXPECT_EQ(added.strShown, S("a b"));
    EXPECT_EQ(added.nMethodMark, 2);
    EXPECT_EQ(dialog.m_nNextFlexibleNumber, 1); // no number was taken

    // Back to a predefined value: the placeholder is handed back once for the caller.
    dialog.Select(0);
    m_dialogs.m_params.push_back([](CDialEditURLParams& p) {
        EXPECT_EQ(p.KindEntries().at(p.KindIndex()), S("_XALURL_0_"));
        p.ChooseKind(0);
        return p.OnOK();
    });
    ASSERT_TRUE(dialog.EditParameter());
    EXPECT_EQ(dialog.Rows()[0].nKind, 0);
    EXPECT_EQ(dialog.Rows()[0].strShown, S("7"));
    EXPECT_EQ(dialog.Rows()[0].strEntered, S("7"));
    EXPECT_EQ(dialog.m_lstReleased, QStringList{S("_XALURL_0_")});
    EXPECT_EQ(dialog.m_nNextFlexibleNumber, 1); // the caller lowers it when it releases
    // Cancel changes nothing.
    EXPECT_FALSE(dialog.EditParameter());
}

TEST_F(EditURLLogic, releases_only_numbered_placeholders_once_and_not_logon_variables) {
    CDialEditURL& dialog =
        Dialog({Param("u", "_XALURL_USER_", 0, 0x200), Param("a", "x/_XALURL_2_/y", 0, 0x8000),
                Param("b", "_XALURL_2_", 0, 0x8000), Param("c", "_XALURL_0_", 0, 0x8000)});
    dialog.DeleteAllParameters();
    EXPECT_EQ(dialog.m_lstReleased, QStringList({S("_XALURL_2_"), S("_XALURL_0_")}));
    EXPECT_FALSE(dialog.IsRowActionEnabled());
    EXPECT_EQ(dialog.Selected(), -1);
}

TEST_F(EditURLLogic, paste_splits_the_url_and_pasting_it_again_keeps_the_rows) {
    CDialEditURL& dialog = Dialog();
    m_shell.m_clipboard = S("https://shop.example:8443/cart?item=a%20b&n=1\n");
    ASSERT_TRUE(dialog.PasteURL());
    EXPECT_EQ(dialog.m_nProtocol, 1);
    EXPECT_EQ(dialog.m_strServer, S("shop.example:8443"));
    EXPECT_EQ(dialog.m_strAddress, S("/cart"));
    ASSERT_EQ(dialog.Rows().size(), 2u);
    EXPECT_EQ(dialog.Rows()[0].strEntered, S("a%20b")); // as entered, not empty
    EXPECT_EQ(dialog.Rows()[0].strOrgValue, S("a%20b"));
    EXPECT_EQ(dialog.Rows()[0].strShown, S("a b"));

    // The user marks a row; the same URL pasted again keeps it.
    dialog.ChangeMethod(1);
    ASSERT_TRUE(dialog.PasteURL());
    ASSERT_EQ(dialog.Rows().size(), 2u);
    EXPECT_EQ(dialog.Rows()[0].nMethodMark, 1);

    m_shell.m_clipboard = S("https://shop.example/cart?item=c");
    ASSERT_TRUE(dialog.PasteURL());
    ASSERT_EQ(dialog.Rows().size(), 1u);
    EXPECT_EQ(dialog.Rows()[0].nMethodMark, 0);
    EXPECT_EQ(dialog.m_strServer, S("shop.example"));

    // A bare server leaves neither the old address nor the old rows behind.
    m_shell.m_clipboard = S("http://other.example");
    ASSERT_TRUE(dialog.PasteURL());
    EXPECT_EQ(dialog.CompleteURL(), S("http://other.example"));
}

TEST_F(EditURLLogic, paste_refuses_internal_variables_and_bad_urls_unchanged) {
    CDialEditURL& dialog = Dialog({Param("a", "1")});
    m_shell.m_clipboard = S("http://h.com/_XALURL_0_/x");
    EXPECT_FALSE(dialog.PasteURL());
    m_shell.m_clipboard = S("http://h.com/a b");
    EXPECT_FALSE(dialog.PasteURL());
    ASSERT_EQ(m_messages.Texts().size(), 2);
    EXPECT_EQ(m_messages.Texts()[0], XalFormat(55, S("_XALURL_"), S("http://h.com/_XALURL_0_/x")));
    EXPECT_EQ(m_messages.Texts()[1], XalFormat(157, S("http://h.com/a b")));
    EXPECT_EQ(dialog.m_strServer, S("h.com"));
    EXPECT_EQ(dialog.Rows().size(), 1u);

    dialog.m_bServerLocked = true;
    m_shell.m_clipboard = S("http://x.com/");
    EXPECT_FALSE(dialog.PasteURL());
    EXPECT_EQ(dialog.m_strServer, S("h.com"));
}

TEST_F(EditURLLogic, pasted_non_latin_text_becomes_utf8_encoded_rows) {
    CDialEditURL& dialog = Dialog();
    m_shell.m_clipboard = S("http://h.cn/搜索?q=状态");
    ASSERT_TRUE(dialog.PasteURL());
    ASSERT_EQ(dialog.Rows().size(), 1u);
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(CAdmTools::URLEncode(dialog.Rows()[0].strEntered), S("%E7%8A%B6%E6%80%81"));
}

TEST_F(EditURLLogic, copy_and_browser_take_the_complete_url) {
    CDialEditURL& dialog = Dialog({Param("a", "1")});
    EXPECT_TRUE(dialog.CopyURL());
    EXPECT_EQ(m_shell.m_clipboard, S("http://h.com/a?a=1"));
    EXPECT_TRUE(dialog.OpenInBrowser());
    EXPECT_EQ(m_shell.m_opened, std::vector<QString>{S("http://h.com/a?a=1")});
    dialog.SetServer(QString());
    EXPECT_FALSE(dialog.IsServerActionEnabled());
}
