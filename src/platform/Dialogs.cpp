#include "platform/Dialogs.h"
#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>

QString TDialogTexts::Caption(TMsgDlgType type) const
{
    switch (type) {
    case TMsgDlgType::Warning: return Warning;
    case TMsgDlgType::Error: return Error;
    case TMsgDlgType::Information: return Information;
    case TMsgDlgType::Confirmation: return Confirmation;
    }
    return QString();
}

void TQtDialogs::PrepareBox(QMessageBox& box, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) const
{
    box.setText(text);
    box.setWindowTitle(Texts.Caption(type));
    switch (type) {
    case TMsgDlgType::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::Error: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    if (!(buttons & (mbYes | mbNo | mbOK | mbCancel)))
        buttons = mbOK;
    const struct {
        TMsgDlgButton Button;
        QMessageBox::StandardButton Standard;
        const QString& Text;
    } all[] = {
        {mbYes, QMessageBox::Yes, Texts.Yes},
        {mbNo, QMessageBox::No, Texts.No},
        {mbOK, QMessageBox::Ok, Texts.OK},
        {mbCancel, QMessageBox::Cancel, Texts.Cancel},
    };
    QMessageBox::StandardButtons standard;
    for (const auto& b : all)
        if (buttons & b.Button)
            standard |= b.Standard;
    box.setStandardButtons(standard);
    for (const auto& b : all)
        if (QAbstractButton* button = box.button(b.Standard))
            button->setText(b.Text);
}

TModalResult TQtDialogs::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    PrepareBox(box, text, type, buttons);
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
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText(Texts.OK);
    dialog.setCancelButtonText(Texts.Cancel);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
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
