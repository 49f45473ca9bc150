#pragma once

#include <QString>

// Text with its RFC 2047 encoded words decoded. Neighbouring words in one
// charset are joined as decoded bytes before conversion, so a character
// split between two words (padded or not) comes out whole; the blanks
// between two encoded words are dropped. Words inside other text are
// decoded too, as mailers write them. Linear in the text's length.
// At most MaxEncodedWords words are decoded: the text then ends after the
// last of them, and `wordsLeft` (when given) is set to how many more it
// held.
QString DecodeEncodedWords(const QString& text, qsizetype* wordsLeft = nullptr);
