#pragma once
// Form of CDialEditURLParams: binds its controls to the logic object.

#include "editdialogform.h"

class CDialEditURLParams;
class CEditEncoded;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

class CDialEditURLParamsForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialEditURLParamsForm(CDialEditURLParams& dialog, QWidget* parent);

    QLineEdit* m_name = nullptr;
    CEditEncoded* m_value = nullptr;
    QLineEdit* m_nonEncoded = nullptr;
    QComboBox* m_kind = nullptr;
    QToolButton* m_encoding = nullptr;
    QCheckBox* m_sendInURL = nullptr;
    QLabel* m_information = nullptr;

protected:
    bool TryAccept() override;

private:
    void Refresh();

    CDialEditURLParams& m_dialog; // Not owned.
};
