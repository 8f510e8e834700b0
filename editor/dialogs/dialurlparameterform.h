#pragma once
// Form of CDialURLParameter: binds its controls to the logic object.

#include "editdialogform.h"

class CDialURLParameter;
class QLineEdit;
class QTreeWidget;

class CDialURLParameterForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialURLParameterForm(CDialURLParameter& dialog, QWidget* parent);

    QLineEdit* m_source = nullptr;
    QLineEdit* m_newURL = nullptr;
    QLineEdit* m_parameter = nullptr;
    QLineEdit* m_value = nullptr;
    QLineEdit* m_separator = nullptr;
    QTreeWidget* m_candidates = nullptr;

protected:
    bool TryAccept() override;

private:
    void RefreshList();
    void RefreshChoice();

    CDialURLParameter& m_dialog; // Not owned.
};
