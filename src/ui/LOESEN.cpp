#include "ui/LOESEN.h"
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TPasswordDlg::TPasswordDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("PasswordDlg");
    setWindowTitle("Admin");
    resize(246, 106);

    Label1 = new QLabel("Password", this);
    Label1->setObjectName("Label1");
    Label1->move(16, 16);
    Label1->adjustSize();

    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName("EditPassword");
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword->setGeometry(16, 32, 209, 21);

    ButtonOk = new QPushButton("OK", this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setGeometry(72, 64, 75, 25);
    ButtonOk->setDefault(true);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);

    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonCancel->setGeometry(152, 64, 75, 25);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TPasswordDlg::RunModal()
{
    return exec() == QDialog::Accepted;
}

QString TPasswordDlg::GetPassword() const
{
    return EditPassword->text();
}

void TPasswordDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

// An earlier entry, right or wrong, is never offered again.
void TPasswordDlg::FormShow()
{
    EditPassword->clear();
    EditPassword->setFocus();
}
