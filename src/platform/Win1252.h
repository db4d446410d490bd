#pragma once
#include <QByteArray>
#include <QString>

// Every text file of Kiv is 8-bit Windows-1252 on disk. Qt 6 has no converter for it, hence this
// small one: bytes 0x80-0x9F through the code page's table, every other byte is its Latin-1 code
// point. The five bytes the code page leaves undefined map to the C1 code points of the same value,
// so any file decodes and encodes back unchanged.
namespace Win1252 {

QString Decode(const QByteArray& bytes);

// A character the code page cannot hold becomes '?'.
QByteArray Encode(const QString& text);

// True when every character of the text survives Encode.
bool CanEncode(const QString& text);

} // namespace Win1252
