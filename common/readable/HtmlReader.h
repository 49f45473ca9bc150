#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// What an element is to a reader of its text; a tag's kind is a set of
// these.
enum HtmlElementKind : unsigned {
    VoidElement = 1,       // without content
    OptionalEnd = 2,       // the next of its kind closes it: it never nests
    BlockElement = 4,      // stands on lines of its own
    RawTextElement = 8,    // script, style, title, textarea: text up to its end tag
    LineBreakElement = 16, // br
    Preformatted = 32,     // pre
    ImageElement = 64,     // img
};

// One start or end tag, read the way an HTML tokenizer reads it; of its
// attributes only those that decide what shows are kept.
struct HtmlTag {
    QString name; // lower case
    unsigned kind = 0;
    bool closing = false;
    bool selfClosing = false;
    bool hiddenAttribute = false;
    QString style;
    QString alt;
    qsizetype end = 0; // just past its ">"

    bool Is(HtmlElementKind wanted) const { return (kind & wanted) != 0; }
};

// What shows of an HTML text, as ReadVisibleHtml finds it. Each call may
// return false to stop the reading.
class HtmlVisitor {
public:
    virtual ~HtmlVisitor() = default;
    // A run of text, its entities as written.
    virtual bool Text(QStringView text) = 0;
    // Raw markup: a tag (given) or a comment, doctype or processing
    // instruction (no tag).
    virtual bool Markup(QStringView raw, const HtmlTag* tag) = 0;
    // A script, style, title or textarea element's start tag and content.
    virtual bool RawText(QStringView raw) = 0;
    // An image, by its alt text as written.
    virtual bool Image(const QString& alt) = 0;
};

// Reads HTML the way a browser shows it, telling `visitor` of what shows.
// What a browser would not show is skipped: elements hidden by
// display:none, visibility:hidden, mso-hide:all or the hidden attribute,
// with all they hold. One pass, whatever the nesting. False when the
// visitor stopped it.
bool ReadVisibleHtml(const QString& html, HtmlVisitor& visitor);

// The elements open at a point of a document, as far as they nest: an end
// tag closes its element and every one opened inside it; an end tag with
// no open element of its name is ignored; an element whose end tag may be
// left out and that the next one closes (p, li, td...) nests no deeper.
// It holds at most `limit` elements; an element opened when it is full
// is past the limit. Each tag costs at most `limit` steps.
class OpenElements {
public:
    explicit OpenElements(qsizetype limit) : limit_(limit) {}

    // A start tag; false when its element is past the limit.
    bool Open(const HtmlTag& tag);
    // An end tag; false when it ends no element within the limit (its
    // element is past the limit, or none of its name is open).
    bool Close(const HtmlTag& tag);

private:
    qsizetype limit_;
    QStringList names_;
};
