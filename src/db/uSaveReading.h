#pragma once
#include <QString>

class TDataMod;
class TDialogs;

// The texts of the control window that saving shows: the warning when repeated updating is off
// and the question when the encoder has no alias yet (it also tells the language of the
// "alias exists" message: Swedish when it contains "Det").
struct TSaveReadingTexts {
    QString DBFunction;
    QString NoAlias;
};

// The control window's save button. Only while repeated updating is on: takes the serial number
// the main window shows; an encoder known by its alias gets its faults and properties staged; an
// unknown one is first given an alias by the user, and then its identity is staged as well.
void SaveReading(TDataMod& dataMod, TDialogs& dialogs, const TSaveReadingTexts& texts, bool repeating);
