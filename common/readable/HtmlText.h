#pragma once

#include <QString>

// What a person reads of an HTML text: tags gone, entities decoded, link
// texts kept, block elements on lines of their own. What a browser would
// not show stays out: the head, scripts and styles, and elements hidden by
// display:none, visibility:hidden, mso-hide:all or the hidden attribute.
// An image becomes its alt text, or nothing. A small, shallow document is
// laid out by Qt's document classes; any other goes through the program's
// own linear conversion (LinearHtmlText), so the cost stays linear in the
// text's length. Qt's document classes need a GUI application (without one
// they crash on <pre>, <code> and the like): without one, as under
// `Larkglass --print`, every document goes the linear way.
QString PlainTextFromHtml(const QString& html);
