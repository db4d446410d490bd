#pragma once
#include <QString>
#include <cstdint>

int32_t MaxOf(int32_t a, int32_t b);
// Copies the first count bytes; both buffers are the link's 256-byte arrays.
void CopyBytes(const uint8_t* source, uint8_t* destination, int count);
// High byte first.
void WriteWordBE(uint16_t value, uint8_t* destination);
// "$1A" -> 26, "ff" -> 255; characters are not validated and more than 8 digits wrap.
int32_t HexToInt(const QString& text);
