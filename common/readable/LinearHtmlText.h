#pragma once

#include <QString>

// The text of an HTML document in one pass, linear in its length whatever
// its nesting: visible text with its entities decoded and its blanks run
// together (kept inside <pre>), block elements and table cells on lines
// of their own, <br> a line break, images as their alt texts; scripts,
// styles, the title and hidden elements left out. Elements nested deeper
// than MaxHtmlDepth give their text without line breaks, and a last line
// (HtmlNestingLeftOutLine) says so.
QString LinearHtmlText(const QString& html);
