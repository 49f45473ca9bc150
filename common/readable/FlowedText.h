#pragma once

#include <QString>

// format=flowed text (RFC 3676, LF line ends) with its soft line breaks
// rejoined: a line ending in a space goes on in the next line of the same
// quote depth; with DelSp=yes that space is deleted. Space-stuffing is
// undone and quoted lines keep their ">" marks.
QString UnflowedText(const QString& text, bool deleteSpace);
