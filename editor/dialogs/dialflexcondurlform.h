#pragma once
// Form of CDialFlexCondURL: binds its controls to the logic object.

#include "editdialogform.h"

class CDialFlexCondURL;
class QLineEdit;

class CDialFlexCondURLForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialFlexCondURLForm(CDialFlexCondURL& dialog, QWidget* parent);

    QLineEdit* m_url = nullptr;

protected:
    bool TryAccept() override;

private:
    CDialFlexCondURL& m_dialog; // Not owned.
};
