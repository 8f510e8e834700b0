#pragma once
// Form of CDialURLParamsFlex: binds its controls to the logic object.

#include "editdialogform.h"

class CDialURLParamsFlex;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CDialURLParamsFlexForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialURLParamsFlexForm(CDialURLParamsFlex& dialog, QWidget* parent);

    QLineEdit* m_name = nullptr;
    QLineEdit* m_value = nullptr;
    QComboBox* m_mode = nullptr;
    QCheckBox* m_inURL = nullptr;
    QCheckBox* m_inParams = nullptr;
    QLineEdit* m_separator = nullptr;

protected:
    bool TryAccept() override;

private:
    void Refresh();

    CDialURLParamsFlex& m_dialog; // Not owned.
};
