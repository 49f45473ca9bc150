#include "HtmlText.h"

#include <QTextDocumentFragment>

QString PlainTextFromHtml(const QString& html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}
