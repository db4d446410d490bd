#include "ui/fDialScript.h"
#include "core/uCommRes.h"
#include "platform/Win1252.h"
#include "ui/uModemFields.h"
#include "ui/uModemText.h"
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace {

const char* const InitFileName = "ModemInit.txt";
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// The buttons keep their distance from the bottom edge when the window is resized.
constexpr int ButtonBottomGap = 34;

// A text goes through the transfer buffer with room left for a terminating zero; longer texts go
// out in several writes, so nothing is cut off.
constexpr int WriteChunk = TDialScript::TransferBufferSize - 1;

} // namespace

TDialScript::TDialScript(const QString& programDir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , ProgramDir(programDir)
{
    setObjectName("DialScript");
    setWindowTitle("Dialing");

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);

    btnOk = new QPushButton("OK", this);
    btnOk->setObjectName("btnOk");
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TDialScript::Timer1Timer);

    setMinimumSize(265, 140 + ButtonBottomGap);
    resize(329, 140 + ButtonBottomGap);
}

QString TDialScript::ModemInitFile() const
{
    return QDir(ProgramDir).filePath(InitFileName);
}

bool TDialScript::Dial()
{
    bool result = true;
    if (ModemFields->UseModem()) {
        Answer.Clear();
        Memo1->clear();
        const QByteArray initText = LoadInitText();
        if (!initText.isEmpty())
            WriteText(initText);
        WriteText("atd" + Win1252::Encode(ModemFields->TelephoneNumber()) + LineEnd);
        Timer1->start();
        result = exec() == QDialog::Accepted;
    }
    Timer1->stop();
    return result;
}

// The commands of ModemInit.txt, each line ended with CR LF. A missing file is created empty for
// the user to fill in; when that is impossible (a read-only program folder) the dial goes on
// without commands rather than failing.
QByteArray TDialScript::LoadInitText()
{
    QFile file(ModemInitFile());
    if (!file.exists()) {
        QSaveFile created(ModemInitFile());
        if (created.open(QIODevice::WriteOnly))
            created.commit();
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ModemInitCommands(file.readAll());
}

// The modem answers what it received; a failed write shows up there, so results are not checked.
void TDialScript::WriteText(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size(); done += WriteChunk) {
        const auto count = static_cast<uint32_t>(std::min<qsizetype>(WriteChunk, bytes.size() - done));
        std::memcpy(Buffer.data(), bytes.constData() + done, count);
        CommRes->Write(Buffer.data(), count);
    }
}

void TDialScript::Timer1Timer()
{
    Timer1->stop();
    uint32_t waiting = CommRes->ClearErrors();
    QByteArray bytes;
    while (waiting > 0) {
        const uint32_t count = std::min<uint32_t>(waiting, TransferBufferSize);
        if (!CommRes->Read(Buffer.data(), count))
            break;
        bytes.append(reinterpret_cast<const char*>(Buffer.data()), count);
        waiting -= count;
    }
    AppendReceived(bytes);
    Timer1->start();
}

void TDialScript::AppendReceived(const QByteArray& bytes)
{
    if (!Answer.Append(bytes))
        return;
    Memo1->setPlainText(Answer.Shown());
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TDialScript::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Memo1->setGeometry(0, 0, width(), 117);
    const int buttonTop = height() - ButtonBottomGap;
    btnOk->setGeometry(82, buttonTop, 75, 25);
    btnCancel->setGeometry(182, buttonTop, 75, 25);
}
