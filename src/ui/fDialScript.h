#pragma once
#include "ui/uModemText.h"
#include <QByteArray>
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

class QPlainTextEdit;
class QPushButton;
class QTimer;
class TCommRes;
class TModemFields;

// Dials the encoder's modem when going online: sends the commands of ModemInit.txt and the dial
// command, then shows what the modem answers until the user confirms the connection or gives up.
// The modem's answers are not interpreted; the user reads them and decides.
class TDialScript : public QDialog {
    Q_OBJECT
public:
    static constexpr int TransferBufferSize = 256;

    explicit TDialScript(const QString& programDir, QWidget* parent = nullptr);

    // Non-owning; both must be set before Dial.
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    void SetModemFields(const TModemFields* fields) { ModemFields = fields; }

    // True at once when no modem is used; otherwise dials and shows the window modally, true when
    // it was closed with OK.
    bool Dial();

    // One poll of the port: appends whatever the modem has sent since the last one.
    void Timer1Timer();

    QString ModemInitFile() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QByteArray LoadInitText();
    void WriteText(const QByteArray& bytes);
    void AppendReceived(const QByteArray& bytes);

    QString ProgramDir;
    TCommRes* CommRes = nullptr;
    const TModemFields* ModemFields = nullptr;
    std::array<uint8_t, TransferBufferSize> Buffer{};
    TModemAnswer Answer;

    QPlainTextEdit* Memo1;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QTimer* Timer1;
};
