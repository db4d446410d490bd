#pragma once
#include <QString>

// Whole-word search over the staging and export files. Word characters are the ASCII letters and
// digits; everything else separates words. Letters compare without regard to case. The scan only
// tries positions where a word starts, and the text's very first word is never a candidate when
// the text begins with a word character (in those files that first word is a header name).
bool ContainsWord(const QString& text, const QString& word);
