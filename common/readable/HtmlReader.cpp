#include "HtmlReader.h"

#include <QHash>

#include <algorithm>
#include <initializer_list>

namespace {

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// The kinds of the elements mail uses, by name; names of no kind are here
// too, so that reading their tags allocates nothing.
const QHash<QString, unsigned>& Kinds()
{
    static const QHash<QString, unsigned> kinds = [] {
        QHash<QString, unsigned> table;
        const auto add = [&table](std::initializer_list<const char*> names, unsigned kind) {
            for (const char* name : names) {
                table.insert(QString::fromLatin1(name), kind);
            }
        };
        add({"a", "abbr", "b", "big", "button", "cite", "code", "del", "em", "font", "i", "ins", "kbd", "label",
             "mark", "o:p", "q", "s", "samp", "select", "small", "span", "strike", "strong", "sub", "sup", "tt",
             "u", "var"},
            0);
        add({"area", "base", "col", "embed", "input", "link", "meta", "source", "track", "wbr"}, VoidElement);
        add({"head", "colgroup", "option", "optgroup"}, 0);
        add({"thead", "tbody", "tfoot"}, OptionalEnd);
        add({"p", "li", "dt", "dd", "tr", "td", "th"}, OptionalEnd | BlockElement);
        add({"html", "body"}, BlockElement);
        add({"address", "article", "aside", "blockquote", "center", "details", "dialog", "div", "dl", "fieldset",
             "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header", "main", "nav",
             "ol", "section", "summary", "table", "ul"},
            BlockElement);
        add({"script", "style", "title", "textarea"}, RawTextElement);
        add({"hr"}, VoidElement | BlockElement);
        add({"br"}, VoidElement | LineBreakElement);
        add({"img"}, VoidElement | ImageElement);
        add({"pre"}, BlockElement | Preformatted);
        return table;
    }();
    return kinds;
}

// The tag's name in lower case, and its kind.
void ReadName(QStringView name, HtmlTag& tag)
{
    constexpr qsizetype Short = 16;
    if (name.size() <= Short) {
        char16_t lower[Short];
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char16_t c = name[i].unicode();
            lower[i] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        }
        const QHash<QString, unsigned>& kinds = Kinds();
        const auto known = kinds.constFind(QString::fromRawData(reinterpret_cast<const QChar*>(lower), name.size()));
        if (known != kinds.constEnd()) {
            tag.name = known.key();
            tag.kind = known.value();
            return;
        }
    }
    tag.name = name.toString().toLower();
}

bool IsNameEnd(QChar c)
{
    return IsSpace(c) || c == u'/' || c == u'>';
}

HtmlTag ReadTag(const QString& html, qsizetype at)
{
    const QStringView view(html);
    HtmlTag tag;
    const qsizetype size = html.size();
    qsizetype i = at + 1;
    if (html[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < size && !IsNameEnd(html[i])) {
        ++i;
    }
    ReadName(view.sliced(nameStart, i - nameStart), tag);
    while (i < size && html[i] != u'>') {
        if (IsSpace(html[i]) || html[i] == u'/') {
            tag.selfClosing = html[i] == u'/';
            ++i;
            continue;
        }
        const qsizetype nameAt = i;
        while (i < size && !IsNameEnd(html[i]) && html[i] != u'=') {
            ++i;
        }
        const QStringView name = view.sliced(nameAt, std::max<qsizetype>(i - nameAt, 1));
        i = std::max(i, nameAt + 1);
        QStringView value;
        if (i < size && html[i] == u'=') {
            ++i;
            const QChar quote = i < size ? html[i] : QChar();
            if (quote == u'"' || quote == u'\'') {
                const qsizetype close = html.indexOf(quote, i + 1);
                const qsizetype valueEnd = close < 0 ? size : close;
                value = view.sliced(i + 1, valueEnd - i - 1);
                i = std::min(size, valueEnd + 1);
            } else {
                const qsizetype valueStart = i;
                while (i < size && !IsSpace(html[i]) && html[i] != u'>') {
                    ++i;
                }
                value = view.sliced(valueStart, i - valueStart);
            }
        }
        // The first of each name counts, as a browser reads it.
        if (name.compare(u"hidden", Qt::CaseInsensitive) == 0) {
            tag.hiddenAttribute = true;
        } else if (name.compare(u"style", Qt::CaseInsensitive) == 0 && tag.style.isNull()) {
            tag.style = value.isNull() ? QString(u""_qs) : value.toString();
        } else if (name.compare(u"alt", Qt::CaseInsensitive) == 0 && tag.alt.isNull()) {
            tag.alt = value.isNull() ? QString(u""_qs) : value.toString();
        }
    }
    tag.end = std::min(size, i + 1);
    return tag;
}

bool IsHidden(const HtmlTag& tag)
{
    if (tag.hiddenAttribute) {
        return true;
    }
    if (tag.style.isEmpty()) {
        return false;
    }
    QString style = tag.style.toLower();
    style.remove(u' ');
    return style.contains(u"display:none") || style.contains(u"visibility:hidden") || style.contains(u"mso-hide:all");
}

} // namespace

bool OpenElements::Open(const HtmlTag& tag)
{
    if (tag.selfClosing || tag.Is(VoidElement) || tag.Is(OptionalEnd)) {
        return names_.size() < limit_;
    }
    if (names_.size() == limit_) {
        return false;
    }
    names_.append(tag.name);
    return true;
}

bool OpenElements::Close(const HtmlTag& tag)
{
    if (tag.Is(VoidElement) || tag.Is(OptionalEnd)) {
        return names_.size() < limit_;
    }
    for (qsizetype i = names_.size() - 1; i >= 0; --i) {
        if (names_[i] == tag.name) {
            names_.resize(i);
            return true;
        }
    }
    return false;
}

bool ReadVisibleHtml(const QString& html, HtmlVisitor& visitor)
{
    const QStringView view(html);
    QString hiddenName;       // the hidden element being skipped
    qsizetype hiddenOpen = 0; // how many of its name are open
    qsizetype at = 0; // where the text not yet told starts
    for (qsizetype lt = html.indexOf(u'<'); at < html.size(); lt = html.indexOf(u'<', lt + 1)) {
        const QChar next = lt >= 0 && lt + 1 < html.size() ? html[lt + 1] : QChar();
        const bool isTag = IsAsciiLetter(next) || (next == u'/' && lt + 2 < html.size() && IsAsciiLetter(html[lt + 2]));
        if (lt >= 0 && !isTag && next != u'!' && next != u'?') {
            continue; // a "<" that opens no markup is text
        }
        const qsizetype textEnd = lt < 0 ? html.size() : lt;
        if (hiddenOpen == 0 && textEnd > at && !visitor.Text(view.sliced(at, textEnd - at))) {
            return false;
        }
        if (lt < 0) {
            break;
        }
        const bool shown = hiddenOpen == 0;
        bool goOn = true;
        qsizetype end = lt + 1;
        if (next == u'!' && view.sliced(lt).startsWith(u"<!--")) {
            end = html.indexOf(u"-->", lt + 4);
            end = end < 0 ? html.size() : end + 3;
            goOn = !shown || visitor.Markup(view.sliced(lt, end - lt), nullptr);
        } else if (next == u'!' || next == u'?') {
            end = html.indexOf(u'>', lt);
            end = end < 0 ? html.size() : end + 1;
            goOn = !shown || visitor.Markup(view.sliced(lt, end - lt), nullptr);
        } else {
            const HtmlTag tag = ReadTag(html, lt);
            end = tag.end;
            if (!tag.closing && tag.Is(RawTextElement)) {
                const qsizetype close = html.indexOf(QStringLiteral("</") + tag.name, end, Qt::CaseInsensitive);
                end = close < 0 ? html.size() : close;
                goOn = !shown || visitor.RawText(view.sliced(lt, end - lt));
            } else if (!shown) {
                if (tag.name == hiddenName && !tag.selfClosing) {
                    hiddenOpen += tag.closing ? -1 : 1;
                }
            } else if (!tag.closing && IsHidden(tag)) {
                hiddenName = tag.name;
                hiddenOpen = tag.Is(VoidElement) || tag.selfClosing ? 0 : 1;
            } else if (!tag.closing && tag.Is(ImageElement)) {
                goOn = visitor.Image(tag.alt);
            } else {
                goOn = visitor.Markup(view.sliced(lt, end - lt), &tag);
            }
        }
        if (!goOn) {
            return false;
        }
        at = end;
        lt = end - 1;
    }
    return true;
}
