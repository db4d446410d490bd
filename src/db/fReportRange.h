#pragma once
#include "db/uBandReport.h"
#include "platform/Dialogs.h"
#include "settings/uLangIniFile.h"
#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;

// Asked before the report is laid out: which encoders (by their place in the report, with the
// serial number shown beside) and which of the report's pages to print, so that a fleet's history
// need not be laid out whole to print a part of it.
class TReportRangeFrm : public QDialog, public TLangClient {
    Q_OBJECT
public:
    explicit TReportRangeFrm(QWidget* parent = nullptr);

    // Set before each showing: how many encoders the report runs through, and the serial number
    // of the encoder at a place (from 0).
    void SetEncoders(int count, std::function<QString(int)> serialAt);

    // Offers every encoder and every page, then runs the dialog until OK or Cancel ends it.
    TModalResult RunModal();
    // The range chosen, in the report's terms.
    TReportRange Range() const;

    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    void ShowSerials();

    std::function<QString(int)> SerialAt;
    TModalResult Outcome = TModalResult::None;
    QLabel* lblEncoders;
    QLabel* lblFromEncoder;
    QLabel* lblToEncoder;
    QSpinBox* spnFromEncoder;
    QSpinBox* spnToEncoder;
    QLabel* lblFromSerial;
    QLabel* lblToSerial;
    QLabel* lblPages;
    QLabel* lblFromPage;
    QLabel* lblToPage;
    QSpinBox* spnFromPage;
    QSpinBox* spnToPage;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
