#pragma once
#include "settings/uLangIniFile.h"
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TKIV;
class TStoredFault;

// Shows one stored fault in full. Its Back and Next buttons drive the main window's row buttons,
// so the table's selection always follows the fault shown here.
class TStoredFaultView : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 326;
    static constexpr int ClientHeight = 355;
    static constexpr int HelpContext = 18;

    explicit TStoredFaultView(TKIV& owner);

    void ShowFault(const TStoredFault& fault);
    void RunModal();
    // Not a language client of its own: the main window passes its language on first.
    void UpdateLanguage(TLangIniFile* langFile);
    // The set status bits as codes, each with a space on both sides (" 30  01 ").
    static QString StatusCodes(const TStoredFault& fault);

    const TStoredFault* CurrentFault() const { return Current; }
    const QString& CaptionFormat() const { return Format; }

    void btnBackClick();
    void btnNextClick();

private:
    QLabel* AddLabel(const char* name, int x, int y, int width, Qt::Alignment align);

    TKIV& Owner;
    const TStoredFault* Current = nullptr;
    QString Format;

    QLabel* lbIndexTitle = nullptr;
    QLabel* lbIndex = nullptr;
    QLabel* lbOpTimeTitle = nullptr;
    QLabel* lbOpTime = nullptr;
    QLabel* lbFreqTitle = nullptr;
    QLabel* lbFreq = nullptr;
    QLabel* lbTempTitle = nullptr;
    QLabel* lbTemp = nullptr;
    QLabel* lbFaultStatusTitle = nullptr;
    QPlainTextEdit* memoFaultStatus = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnNext = nullptr;
};
