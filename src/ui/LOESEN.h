#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the administrator password that guards the encoder reset. The caller compares the
// answer; the dialog itself knows no password. Its texts are fixed, so it reads no language file.
class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);

    // True when the dialog was closed with OK.
    bool RunModal();
    QString GetPassword() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QLabel* Label1;
    QLineEdit* EditPassword;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};
