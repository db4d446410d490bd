#pragma once
#include <QString>

// The one seam for everything that asks the user something or makes a sound, so that every
// sequence that shows a box can run headless under test with a scripted answer.
enum class TMsgDlgType { Warning, Error, Information, Confirmation };

enum TMsgDlgButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
};
using TMsgDlgButtons = unsigned;

enum class TModalResult { None, Ok, Cancel, Yes, No };

// The words of the message boxes: a caption for each type and the standard buttons. Swedish until
// a language gives others.
struct TDialogTexts {
    QString Warning = QStringLiteral("Varning");
    QString Error = QStringLiteral("Fel");
    QString Information = QStringLiteral("Information");
    QString Confirmation = QStringLiteral("Bekräfta");
    QString Yes = QStringLiteral("Ja");
    QString No = QStringLiteral("Nej");
    QString OK = QStringLiteral("OK");
    QString Cancel = QStringLiteral("Avbryt");

    QString Caption(TMsgDlgType type) const;
};

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // The words every later box uses; dialogs that show no words ignore them.
    virtual void SetTexts(const TDialogTexts&) {}
    virtual TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
    // True when confirmed; value holds the initial text on entry and the answer on return.
    virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    virtual void Beep() = 0;
};

// For programs without windows (the command-line reader, benchmarks, galleries): every message
// goes to standard error with the given prefix and is answered with OK, else Yes; nothing is
// ever typed into an input box.
class TStderrDialogs : public TDialogs {
public:
    explicit TStderrDialogs(const char* prefix = "message") : Prefix(prefix) {}
    TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool InputQuery(const QString&, const QString&, QString&) override { return false; }
    void Beep() override {}

    int MessagesShown = 0;

private:
    const char* Prefix;
};

class QMessageBox;

// The real dialogs on Qt's message box, input dialog and system beep.
class TQtDialogs : public TDialogs {
public:
    void SetTexts(const TDialogTexts& texts) override { Texts = texts; }
    const TDialogTexts& GetTexts() const { return Texts; }
    TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    void Beep() override;

    // The box MessageDlg shows, before it is shown.
    void PrepareBox(QMessageBox& box, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) const;

private:
    TDialogTexts Texts;
};
