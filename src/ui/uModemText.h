#pragma once
#include <QByteArray>
#include <QString>

// The commands of a ModemInit.txt as they go to the modem: each line of the file ended with
// CR LF, whatever ended it in the file. An empty file gives no commands.
QByteArray ModemInitCommands(const QByteArray& fileBytes);

// Everything the modem has answered during one dial, as the dial window shows it. Line ends may
// arrive split over polls, so the text is kept as it came and its line ends are read as a whole.
class TModemAnswer {
public:
    void Clear() { Received.clear(); }
    // The bytes of one poll; a zero byte ends what this poll adds. False when it added nothing.
    bool Append(const QByteArray& bytes);
    // The text with each line end (CR LF, CR or LF) as one line feed.
    QString Shown() const;

private:
    QString Received;
};
