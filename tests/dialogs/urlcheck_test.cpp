// The URL check the dialogs use, on URLs typed or pasted in scripts other than Latin.
#include "admtools.h"
#include "dialediturl.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(URLCheckNonLatin, valid_urls_pass_typed_and_pasted) {
    // Each holds a character whose UTF-16 code begins with that of a blank or delimiter.
    for (const char* url :
         {"http://h.com/price/20€", "https://h.com/a…b", "http://h.com/a–b", "http://h.com/“q”",
          "http://h.com/‘q’", "http://h.com/市", "http://h.com/状态?q=搜索", "https://市.cn/状态",
          "http://h.jp/日本語/テスト", "https://h.kr/한국어", "http://h.ru/Москва?ц=щ",
          "http://h.gr/αβγ", "http://h.il/שלום", "http://h/😀/x", "http://h/a%20b?x=%E2%82%AC"}) {
        EXPECT_TRUE(CAdmTools::IsValidURL(S(url))) << url;
        EXPECT_TRUE(CAdmTools::IsValidURL(CAdmTools::WideToUTF8Chars(S(url)))) << url;
    }
}

TEST(URLCheckNonLatin, invalid_urls_fail_typed_and_pasted) {
    for (const char* url :
         {"http://h.com/€ x", "http://h.com/市\t", "http://h.com/状态|x", "h.com/状态",
          "http://h.com/a\x01€", "http://h.com/€<", "http://h.com/\"状\"", "http:// 市.cn/",
          "http://h.com/100%", "http://h/\tA", "http://h/ AC"}) {
        EXPECT_FALSE(CAdmTools::IsValidURL(S(url))) << url;
        EXPECT_FALSE(CAdmTools::IsValidURL(CAdmTools::WideToUTF8Chars(S(url)))) << url;
    }
}

TEST(URLCheckNonLatin, typed_and_pasted_give_the_same_verdict_in_the_dialog) {
    CScriptedMessages messages;
    CScriptedEditDialogs dialogs;
    CScriptedDialogShell shell;
    CDialEditURL dialog(messages, dialogs, shell);
    dialog.Open();
    dialog.SetServer(S("h.com"));
    dialog.SetAddress(S("/€/…/市"));
    EXPECT_TRUE(dialog.CopyURL());
    shell.m_clipboard = S("http://h.com/€/…/市");
    EXPECT_TRUE(dialog.PasteURL());
    EXPECT_TRUE(dialog.OnOK());
    EXPECT_TRUE(messages.Texts().isEmpty());
}
