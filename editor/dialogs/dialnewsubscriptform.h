#pragma once
// Form of CDialNewSubscript: binds its controls to the logic object.

#include "editdialogform.h"

class CDialNewSubscript;
class QLineEdit;

class CDialNewSubscriptForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialNewSubscriptForm(CDialNewSubscript& dialog, QWidget* parent);

    QLineEdit* m_url = nullptr;
    QLineEdit* m_name = nullptr;

protected:
    bool TryAccept() override;

private:
    CDialNewSubscript& m_dialog; // Not owned.
};
