#include "platform/Dialogs.h"
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>

TModalResult TQtDialogs::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    switch (type) {
    case TMsgDlgType::Warning: box.setIcon(QMessageBox::Warning); box.setWindowTitle(QObject::tr("Warning")); break;
    case TMsgDlgType::Error: box.setIcon(QMessageBox::Critical); box.setWindowTitle(QObject::tr("Error")); break;
    case TMsgDlgType::Information: box.setIcon(QMessageBox::Information); box.setWindowTitle(QObject::tr("Information")); break;
    case TMsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); box.setWindowTitle(QObject::tr("Confirm")); break;
    }
    QMessageBox::StandardButtons qtButtons;
    if (buttons & mbYes) qtButtons |= QMessageBox::Yes;
    if (buttons & mbNo) qtButtons |= QMessageBox::No;
    if (buttons & mbOK) qtButtons |= QMessageBox::Ok;
    if (buttons & mbCancel) qtButtons |= QMessageBox::Cancel;
    if (!qtButtons) qtButtons = QMessageBox::Ok;
    box.setStandardButtons(qtButtons);
    switch (box.exec()) {
    case QMessageBox::Yes: return TModalResult::Yes;
    case QMessageBox::No: return TModalResult::No;
    case QMessageBox::Ok: return TModalResult::Ok;
    case QMessageBox::Cancel: return TModalResult::Cancel;
    default: return TModalResult::None;
    }
}

bool TQtDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, value, &ok);
    if (ok)
        value = answer;
    return ok;
}

void TQtDialogs::Beep()
{
    QApplication::beep();
}

TModalResult TStderrDialogs::MessageDlg(const QString& text, TMsgDlgType, TMsgDlgButtons buttons)
{
    ++MessagesShown;
    std::fprintf(stderr, "%s: %s\n", Prefix, text.toUtf8().constData());
    if (buttons & mbOK)
        return TModalResult::Ok;
    return (buttons & mbYes) ? TModalResult::Yes : TModalResult::Cancel;
}
