#pragma once
// Common frame of the editing dialogs' forms: the OK/Cancel row (Return and Escape), the
// remembered size, bold blue headings and focus on a refused field.

#include <QDialog>

class QBoxLayout;
class QDialogButtonBox;
class QLabel;
class QPushButton;

class CEditDialogForm : public QDialog {
    Q_OBJECT
public:
    // key: the name under which the size is remembered (QSettings group "EditDialogs").
    CEditDialogForm(const QString& key, QWidget* parent);

    [[nodiscard]] QPushButton* OkButton() const { return m_ok; }

    void done(int result) override;

protected:
    // Adds OK and Cancel to the layout; OK runs TryAccept().
    QDialogButtonBox* AddButtons(QBoxLayout* layout);
    // Runs the logic's OK; on false the dialog stays open.
    virtual bool TryAccept() = 0;
    // Size from the last run, at least what the content needs.
    void RestoreSize();
    [[nodiscard]] static QLabel* Heading(const QString& text);

private:
    QString m_key;
    QPushButton* m_ok = nullptr;
};
