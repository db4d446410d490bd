#pragma once
#include "platform/Dialogs.h"
#include <QStringList>
#include <deque>
#include <vector>

// Records every box that would have been shown and answers from a script. Without a scripted
// answer a message box is answered with its first offered button of OK, Yes, Cancel, No.
class FakeDialogs : public TDialogs {
public:
    struct Shown {
        QString Text;
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
    };
    struct Query {
        QString Caption;
        QString Prompt;
        QString Initial;
    };

    std::vector<Shown> Messages;
    std::vector<Query> Queries;
    std::deque<TModalResult> Answers;                 // next answers to message boxes
    std::deque<std::pair<bool, QString>> InputAnswers; // next answers to input boxes
    int Beeps = 0;

    TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) override
    {
        Messages.push_back({text, type, buttons});
        if (!Answers.empty()) {
            TModalResult r = Answers.front();
            Answers.pop_front();
            return r;
        }
        if (buttons & mbOK) return TModalResult::Ok;
        if (buttons & mbYes) return TModalResult::Yes;
        if (buttons & mbCancel) return TModalResult::Cancel;
        if (buttons & mbNo) return TModalResult::No;
        return TModalResult::Ok;
    }
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override
    {
        Queries.push_back({caption, prompt, value});
        if (InputAnswers.empty())
            return false;
        auto [ok, text] = InputAnswers.front();
        InputAnswers.pop_front();
        if (ok)
            value = text;
        return ok;
    }
    void Beep() override { ++Beeps; }

    QStringList Texts() const
    {
        QStringList out;
        for (const auto& m : Messages) out << m.Text;
        return out;
    }
};
