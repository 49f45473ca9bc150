#pragma once

#include <QString>

// What a person reads of an HTML text: tags gone, entities decoded, link
// texts kept, block elements on lines of their own.
QString PlainTextFromHtml(const QString& html);
