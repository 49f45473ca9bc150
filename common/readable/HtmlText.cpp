#include "HtmlText.h"

#include "HtmlReader.h"
#include "LinearHtmlText.h"
#include "ReadingLimits.h"

#include <QGuiApplication>
#include <QTextDocumentFragment>

namespace {

// The HTML without what a browser would not show and with images as their
// alt texts, for Qt's document classes; it stops the reading once the
// document is larger or deeper than they lay out quickly.
class LaidOutHtml : public HtmlVisitor {
public:
    bool Text(QStringView text) override { return Append(text); }
    bool Markup(QStringView raw, const HtmlTag* tag) override
    {
        if (tag && tag->closing) {
            open_.Close(*tag);
        } else if (tag && (!open_.Open(*tag) || ++elements_ > MaxLaidOutElements)) {
            return false;
        }
        return Append(raw);
    }
    bool RawText(QStringView raw) override { return Append(raw); }
    // The alt text keeps its entities; only tags are taken from it.
    bool Image(const QString& alt) override
    {
        return Append(QString(alt).replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;")));
    }

    const QString& Html() const { return html_; }

private:
    bool Append(QStringView text)
    {
        html_ += text;
        return html_.size() <= MaxLaidOutHtml;
    }

    QString html_;
    qsizetype elements_ = 0;
    OpenElements open_{MaxLaidOutHtmlDepth};
};

} // namespace

QString PlainTextFromHtml(const QString& html)
{
    LaidOutHtml visible;
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (!gui || !ReadVisibleHtml(html, visible)) {
        return LinearHtmlText(html);
    }
    QString text = QTextDocumentFragment::fromHtml(visible.Html()).toPlainText();
    return text.remove(QChar::ObjectReplacementCharacter);
}
