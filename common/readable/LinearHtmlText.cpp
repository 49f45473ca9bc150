#include "LinearHtmlText.h"

#include "HtmlEntities.h"
#include "HtmlReader.h"
#include "LeftOutLines.h"
#include "ReadingLimits.h"

#include <algorithm>

namespace {

bool IsHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

class LinearText : public HtmlVisitor {
public:
    // A slice at a time, never cut inside a character reference, so that
    // a long run costs no copy of its own.
    bool Text(QStringView text) override
    {
        constexpr qsizetype Slice = 4096;
        constexpr qsizetype LongestReference = 32;
        while (!text.isEmpty()) {
            qsizetype end = std::min(text.size(), Slice);
            if (end < text.size()) {
                const qsizetype amp = text.sliced(end - LongestReference, LongestReference).lastIndexOf(u'&');
                end = amp >= 0 ? end - LongestReference + amp : end;
            }
            Words(DecodeHtmlEntities(text.first(end)));
            text = text.sliced(end);
        }
        return true;
    }

    bool Markup(QStringView, const HtmlTag* tag) override
    {
        if (tag == nullptr) {
            return true;
        }
        if (tag->closing) {
            if (open_.Close(*tag) && tag->Is(BlockElement)) {
                Break();
            }
            if (tag->Is(Preformatted) && preformatted_ > 0) {
                --preformatted_;
            }
            return true;
        }
        if (!open_.Open(*tag)) {
            flattened_ = true;
            return true;
        }
        if (tag->Is(LineBreakElement)) {
            text_ += u'\n';
            space_ = false;
        } else if (tag->Is(BlockElement)) {
            Break();
        }
        if (tag->Is(Preformatted) && !tag->selfClosing) {
            ++preformatted_;
        }
        return true;
    }

    // Scripts, styles, the title and form fields show nothing.
    bool RawText(QStringView) override { return true; }

    bool Image(const QString& alt) override
    {
        Words(DecodeHtmlEntities(alt));
        return true;
    }

    QString Result()
    {
        while (text_.endsWith(u'\n')) {
            text_.chop(1);
        }
        if (flattened_) {
            Break();
            text_ += HtmlNestingLeftOutLine();
        }
        return std::move(text_);
    }

private:
    void Words(const QString& text)
    {
        for (const QChar c : text) {
            if (preformatted_ == 0 && IsHtmlSpace(c)) {
                space_ = true;
                continue;
            }
            if (space_ && !text_.isEmpty() && !text_.endsWith(u'\n')) {
                text_ += u' ';
            }
            space_ = false;
            text_ += c == QChar::Nbsp ? QChar(u' ') : c;
        }
    }

    void Break()
    {
        if (!text_.isEmpty() && !text_.endsWith(u'\n')) {
            text_ += u'\n';
        }
        space_ = false;
    }

    QString text_;
    OpenElements open_{MaxHtmlDepth};
    int preformatted_ = 0;
    bool space_ = false; // a blank is owed before the next word
    bool flattened_ = false;
};

} // namespace

QString LinearHtmlText(const QString& html)
{
    LinearText text;
    ReadVisibleHtml(html, text);
    return text.Result();
}
