#pragma once
// Form of CDialEditURL: binds its controls to the logic object.

#include "editdialogform.h"

class CDialEditURL;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class CDialEditURLForm final : public CEditDialogForm {
    Q_OBJECT
public:
    CDialEditURLForm(CDialEditURL& dialog, QWidget* parent);

    QComboBox* m_protocol = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_address = nullptr;
    QComboBox* m_method = nullptr;
    QTreeWidget* m_params = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_deleteAll = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_paste = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_browser = nullptr;
    QLineEdit* m_complete = nullptr;

protected:
    bool TryAccept() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RefreshFields();
    void RefreshRows();
    void RefreshState();
    void FitColumns();
    // Runs a command of the logic, then shows its result.
    template <class Command> void Run(Command command);

    CDialEditURL& m_dialog; // Not owned.
};
