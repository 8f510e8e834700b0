#include "qteditdialogs.h"

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
#include "xaltools.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QUrl>

QWidget* CQtEditDialogs::Parent() const {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : m_parent.data();
}

bool CQtEditDialogs::EditURL(CDialEditURL& dialog) {
    dialog.Open();
    CDialEditURLForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

bool CQtEditDialogs::EditURLParams(CDialEditURLParams& dialog) {
    dialog.Open();
    CDialEditURLParamsForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

bool CQtEditDialogs::URLParamsFlex(CDialURLParamsFlex& dialog) {
    dialog.Open();
    CDialURLParamsFlexForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

bool CQtEditDialogs::URLParameter(CDialURLParameter& dialog) {
    dialog.Open();
    CDialURLParameterForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

bool CQtEditDialogs::NewSubscript(CDialNewSubscript& dialog) {
    CDialNewSubscriptForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

bool CQtEditDialogs::FlexCondURL(CDialFlexCondURL& dialog) {
    CDialFlexCondURLForm form(dialog, Parent());
    return form.exec() == QDialog::Accepted;
}

std::optional<QString> CQtDialogShell::ClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return std::nullopt;
    return clipboard->text();
}

bool CQtDialogShell::SetClipboardText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text);
    return true;
}

bool CQtDialogShell::OpenInBrowser(const QString& url) {
    return XALOpenBrowser(reinterpret_cast<const char16_t*>(url.utf16()));
}
