// The encoded edit field's logic.
#include "editencodedlogic.h"
#include "xalstrings.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}

class EditEncodedTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_edit.SetEncodingMode(1);
        m_edit.SetActive(true);
    }
    CScriptedMessages m_messages;
    CEditEncodedLogic m_edit{m_messages};
};
} // namespace

TEST_F(EditEncodedTest, typed_space_after_ab_becomes_percent_20_with_caret_at_end) {
    m_edit.Fill(S("ab"));
    const auto outcome = m_edit.TextChanged(S("ab "));
    EXPECT_TRUE(outcome.replaced);
    EXPECT_EQ(outcome.text, S("ab%20"));
    EXPECT_EQ(outcome.cursor, 5);
    EXPECT_EQ(m_edit.PreviousText(), S("ab%20"));
}

TEST_F(EditEncodedTest, pasted_run_is_encoded_alone) {
    m_edit.Fill(S("a%2Fb"));
    const auto outcome = m_edit.TextChanged(S("a%2x y/Fb"));
    EXPECT_EQ(outcome.text, S("a%2x%20y%2FFb"));
    // A run equal to its neighbour still yields the inserted characters.
    m_edit.Fill(S("aa"));
    EXPECT_EQ(m_edit.TextChanged(S("a&aa")).text, S("a%26aa"));
}

TEST_F(EditEncodedTest, filled_value_is_never_encoded_again) {
    // The value filled while the dialog opens is the previous text: only the keystroke counts.
    m_edit.SetActive(false);
    m_edit.Fill(S("a%20b"));
    m_edit.SetActive(true);
    EXPECT_FALSE(m_edit.TextChanged(S("a%20bc")).replaced);
    EXPECT_EQ(m_edit.PreviousText(), S("a%20bc"));
    EXPECT_TRUE(m_messages.Texts().isEmpty());
}

TEST_F(EditEncodedTest, text_holding_an_internal_variable_is_not_encoded) {
    m_edit.Fill(S("_XALURL_0_"));
    const auto outcome = m_edit.TextChanged(S("_XALURL_0_ /"));
    EXPECT_FALSE(outcome.replaced);
    EXPECT_EQ(m_edit.PreviousText(), S("_XALURL_0_ /"));
}

TEST_F(EditEncodedTest, mode_0_refuses_with_message_14_and_restores_text_and_caret) {
    m_edit.SetEncodingMode(0);
    m_edit.Fill(S("abc"));
    const auto outcome = m_edit.TextChanged(S("a& c"));
    EXPECT_TRUE(outcome.replaced);
    EXPECT_EQ(outcome.text, S("abc"));
    EXPECT_EQ(outcome.cursor, 1);
    EXPECT_EQ(m_messages.Texts(), QStringList{XalFormat(14, S("& "))});
    EXPECT_FALSE(m_edit.TextChanged(S("abxc")).replaced);
    EXPECT_FALSE(m_edit.TextChanged(S("abc")).replaced); // deletion: empty run
    EXPECT_EQ(m_messages.Texts().size(), 1);
}

TEST_F(EditEncodedTest, inactive_field_examines_nothing) {
    m_edit.SetActive(false);
    m_edit.SetEncodingMode(0);
    EXPECT_FALSE(m_edit.TextChanged(S("a b&")).replaced);
    EXPECT_TRUE(m_messages.Texts().isEmpty());
}

TEST(EditEncodedColours, focus_backgrounds_by_kind_and_mode) {
    EXPECT_EQ(CEditEncodedLogic::FocusInBackground(0, 1, 0x123456), 0xFFFAD2u);
    EXPECT_EQ(CEditEncodedLogic::FocusInBackground(0, 0, 0x123456), 0xFFC0CBu);
    EXPECT_EQ(CEditEncodedLogic::FocusInBackground(9999, 1, 0x123456), 0x123456u);
    EXPECT_EQ(CEditEncodedLogic::FocusInBackground(4, 1, 0x123456), 0xF5F5F5u);
    EXPECT_EQ(CEditEncodedLogic::FocusOutBackground(0, 0x123456), 0xFFFFFFu);
    EXPECT_EQ(CEditEncodedLogic::FocusOutBackground(2, 0x123456), 0x123456u);
    EXPECT_EQ(CEditEncodedLogic::CueText(S("Parameter value")), S("<Parameter value>"));
    EXPECT_EQ(CEditEncodedLogic::CueText(QString()), QString());
}
