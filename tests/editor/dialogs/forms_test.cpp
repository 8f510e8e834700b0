// The dialogs' Qt forms, offscreen: controls bound to the logic, enabling, refused OK.
#include "dialediturl.h"
#include "dialediturlform.h"
#include "dialediturlparams.h"
#include "dialediturlparamsform.h"
#include "dialflexcondurl.h"
#include "dialflexcondurlform.h"
#include "dialnewsubscript.h"
#include "dialnewsubscriptform.h"
#include "dialurlparameter.h"
#include "dialurlparameterform.h"
#include "dialurlparamsflex.h"
#include "dialurlparamsflexform.h"
#include "editencoded.h"
#include "qteditdialogs.h"
#include "xalstrings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}

void Type(QLineEdit* edit, const char* text) {
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, S(text));
}
} // namespace

TEST(EditURLForm, fields_bound_buttons_enabled_and_bad_url_keeps_focus_on_server) {
    CScriptedMessages messages;
    CScriptedEditDialogs dialogs;
    CScriptedDialogShell shell;
    CDialEditURL dialog(messages, dialogs, shell);
    CURLObj url;
    CURLParamObj p;
    p.m_strName = S("a");
    p.m_strValue = S("1");
    url.m_lstParams = {p, p};
    dialog.m_lstURLs.m_lstURLs.push_back(url);
    dialog.m_strAddress = S("/x");
    dialog.Open();
    CDialEditURLForm form(dialog, nullptr);
    form.show();

    EXPECT_EQ(form.m_params->topLevelItemCount(), 2);
    EXPECT_FALSE(form.OkButton()->isEnabled()); // no server yet
    EXPECT_FALSE(form.m_copy->isEnabled());
    EXPECT_FALSE(form.m_up->isEnabled());
    EXPECT_TRUE(form.m_down->isEnabled());
    Type(form.m_server, "h.com:8080");
    EXPECT_TRUE(form.OkButton()->isEnabled());
    EXPECT_TRUE(form.m_browser->isEnabled());
    EXPECT_EQ(form.m_complete->text(), S("http://h.com:8080/x?a=1&a=1"));
    form.m_down->click();
    EXPECT_EQ(dialog.Selected(), 1);
    EXPECT_TRUE(form.m_up->isEnabled());
    EXPECT_FALSE(form.m_down->isEnabled());
    form.m_method->setCurrentIndex(1);
    emit form.m_method->activated(1);
    EXPECT_EQ(form.m_complete->text(), S("http://h.com:8080/x"));

    Type(form.m_address, " y");
    form.m_address->setFocus();
    form.OkButton()->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.m_server);
    EXPECT_EQ(messages.Texts().size(), 1);

    form.m_address->clear();
    emit form.m_address->textEdited(QString());
    form.m_deleteAll->click();
    EXPECT_FALSE(form.m_edit->isEnabled());
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_lstURLs.m_lstURLs.at(0).m_strServer, S("h.com:8080"));
}

TEST(EditURLParamsForm, typed_value_encoded_and_bad_name_keeps_focus_on_name) {
    CScriptedMessages messages;
    CDialEditURLParams dialog(messages);
    dialog.m_strValue = S("a%20b");
    dialog.m_strPredefinedValue = S("a%20b");
    dialog.m_nNextFlexibleNumber = 2;
    dialog.Open();
    CDialEditURLParamsForm form(dialog, nullptr);
    form.show();
    EXPECT_EQ(form.m_nonEncoded->text(), S("a b"));
    EXPECT_FALSE(form.OkButton()->isEnabled());
    EXPECT_EQ(form.m_kind->count(), 5);
    EXPECT_FALSE(form.m_sendInURL->isEnabled());

    Type(form.m_value, "&"); // mode 0 refuses it and puts the text back
    EXPECT_EQ(form.m_value->text(), S("a%20b"));
    EXPECT_EQ(form.m_value->cursorPosition(), 5);
    EXPECT_EQ(messages.Texts(), QStringList{XalFormat(14, S("&"))});
    messages.ClearTexts();

    form.m_encoding->click(); // mode 1
    EXPECT_EQ(form.m_information->text(), XalString(46));
    Type(form.m_value, "c d");
    EXPECT_EQ(form.m_value->text(), S("a%20bc%20d")); // the filled value untouched
    EXPECT_EQ(form.m_nonEncoded->text(), S("a bc d"));
    EXPECT_TRUE(messages.Texts().isEmpty());

    Type(form.m_name, "my name");
    EXPECT_TRUE(form.OkButton()->isEnabled());
    form.m_value->setFocus();
    form.OkButton()->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.m_name);
    EXPECT_EQ(messages.Texts(), QStringList{XalFormat(36, S("my name"))});

    form.m_kind->setCurrentIndex(4);
    emit form.m_kind->activated(4);
    EXPECT_EQ(form.m_value->text(), S("_XALURL_1_"));
    EXPECT_TRUE(form.m_value->isReadOnly());
    EXPECT_FALSE(form.m_encoding->isEnabled());
}

TEST(URLParamsFlexForm, replace_boxes_follow_the_mode) {
    CDialURLParamsFlex dialog;
    dialog.m_strName = S("id");
    dialog.m_strValue = S("42");
    dialog.m_nNextFlexibleNumber = 0;
    dialog.Open();
    CDialURLParamsFlexForm form(dialog, nullptr);
    form.show();
    EXPECT_FALSE(form.m_inURL->isEnabled());
    form.m_mode->setCurrentIndex(2);
    emit form.m_mode->activated(2);
    EXPECT_EQ(form.m_value->text(), S("_XALURL_0_"));
    EXPECT_TRUE(form.m_inParams->isEnabled());
    EXPECT_FALSE(form.m_separator->isEnabled());
    form.m_inParams->setChecked(true);
    EXPECT_TRUE(form.m_separator->isEnabled());
    Type(form.m_separator, "/");
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strSeparator, S("/"));
    EXPECT_EQ(dialog.m_nFlags, 0x8000);
}

TEST(URLParameterForm, candidates_listed_and_ok_needs_a_new_url) {
    CDialURLParameter dialog;
    dialog.m_strSourceURL = S("http://h.com/a/b");
    dialog.m_strParameter = S("_XALURL_3_");
    dialog.Open();
    CDialURLParameterForm form(dialog, nullptr);
    form.show();
    ASSERT_EQ(form.m_candidates->topLevelItemCount(), 2);
    form.m_candidates->setCurrentItem(form.m_candidates->topLevelItem(1));
    EXPECT_EQ(form.m_newURL->text(), S("http://h.com/a/_XALURL_3_"));
    EXPECT_EQ(form.m_value->text(), S("b"));
    form.m_separator->clear();
    emit form.m_separator->textEdited(QString());
    EXPECT_FALSE(form.OkButton()->isEnabled());
    EXPECT_EQ(form.m_candidates->topLevelItemCount(), 0);
}

TEST(NewSubscriptForm, duplicate_name_keeps_focus_on_name_and_size_is_remembered) {
    CScriptedMessages messages;
    CDialNewSubscript dialog(messages);
    dialog.m_strURL = S("http://h.com/login");
    dialog.m_lstExistingNames = {S("Login")};
    {
        CDialNewSubscriptForm form(dialog, nullptr);
        form.show();
        EXPECT_FALSE(form.OkButton()->isEnabled());
        Type(form.m_name, "login");
        form.m_url->setFocus();
        form.OkButton()->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.focusWidget(), form.m_name);
        form.resize(form.width() + 57, form.height() + 31);
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    CDialNewSubscriptForm again(dialog, nullptr);
    const QSize remembered = again.size();
    EXPECT_GE(remembered.width(), again.minimumSizeHint().width() + 57);
    // The settings file is the user's alone.
    const QFileInfo file(QSettings().fileName());
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.permissions() & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(QFileInfo(file.absolutePath()).permissions() & 0x0777,
              QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

TEST(FlexCondURLForm, invalid_url_keeps_focus_on_url) {
    CScriptedMessages messages;
    CDialFlexCondURL dialog(messages);
    dialog.m_strConditionURL = S("http://h.com/*");
    CDialFlexCondURLForm form(dialog, nullptr);
    form.show();
    Type(form.m_url, " x");
    form.OkButton()->setFocus();
    form.OkButton()->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.m_url);
    form.m_url->setText(S("http://h.com/*/y"));
    emit form.m_url->textEdited(form.m_url->text());
    form.OkButton()->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_strConditionURL, S("http://h.com/*/y"));
}

TEST(QtEditDialogs, parameter_dialog_opens_over_the_url_dialog_and_both_accept) {
    CScriptedMessages messages;
    CQtDialogShell shell;
    CQtEditDialogs qtDialogs(nullptr);
    CDialEditURL dialog(messages, qtDialogs, shell);
    dialog.m_strServer = S("h.com");
    dialog.m_strAddress = S("/a");
    QWidget* urlForm = nullptr;
    QWidget* paramsParent = nullptr;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<CDialEditURLForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        urlForm = form;
        QTimer::singleShot(0, [&] {
            auto* params = qobject_cast<CDialEditURLParamsForm*>(QApplication::activeModalWidget());
            ASSERT_NE(params, nullptr);
            paramsParent = params->parentWidget();
            Type(params->m_name, "q");
            Type(params->m_value, "1");
            params->OkButton()->click();
            QTimer::singleShot(0, [form] { form->OkButton()->click(); });
        });
        form->m_add->click();
    });
    ASSERT_TRUE(qtDialogs.EditURL(dialog));
    EXPECT_EQ(paramsParent, urlForm);
    ASSERT_EQ(dialog.m_lstURLs.m_lstURLs.size(), 1u);
    ASSERT_EQ(dialog.m_lstURLs.m_lstURLs[0].m_lstParams.size(), 1u);
    EXPECT_EQ(dialog.m_lstURLs.m_lstURLs[0].m_lstParams[0].m_strName, S("q"));
    EXPECT_EQ(dialog.m_lstURLs.m_lstURLs[0].m_lstParams[0].m_strRawValue, S("1"));
}
