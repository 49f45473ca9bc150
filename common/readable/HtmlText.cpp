#include "HtmlText.h"

#include <QList>
#include <QStringList>
#include <QStringView>
#include <QTextDocumentFragment>

#include <algorithm>
#include <utility>

namespace {

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// One start or end tag, read the way an HTML tokenizer reads it.
struct Tag {
    QString name; // lower case
    bool closing = false;
    bool selfClosing = false;
    QList<std::pair<QString, QString>> attributes; // names in lower case
    qsizetype end = 0;                              // just past its ">"

    QString Attribute(QStringView wanted, bool* present = nullptr) const
    {
        for (const auto& [name, value] : attributes) {
            if (name == wanted) {
                if (present) {
                    *present = true;
                }
                return value;
            }
        }
        return {};
    }
};

Tag ReadTag(const QString& html, qsizetype at)
{
    Tag tag;
    const qsizetype size = html.size();
    qsizetype i = at + 1;
    if (html[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < size && !IsSpace(html[i]) && html[i] != u'/' && html[i] != u'>') {
        ++i;
    }
    tag.name = html.sliced(nameStart, i - nameStart).toLower();
    while (i < size && html[i] != u'>') {
        if (IsSpace(html[i]) || html[i] == u'/') {
            tag.selfClosing = html[i] == u'/';
            ++i;
            continue;
        }
        const qsizetype attributeStart = i;
        while (i < size && !IsSpace(html[i]) && html[i] != u'/' && html[i] != u'>' && html[i] != u'=') {
            ++i;
        }
        QString name = html.sliced(attributeStart, std::max<qsizetype>(i - attributeStart, 1)).toLower();
        i = std::max(i, attributeStart + 1);
        QString value;
        if (i < size && html[i] == u'=') {
            ++i;
            const QChar quote = i < size ? html[i] : QChar();
            if (quote == u'"' || quote == u'\'') {
                const qsizetype close = html.indexOf(quote, i + 1);
                const qsizetype valueEnd = close < 0 ? size : close;
                value = html.sliced(i + 1, valueEnd - i - 1);
                i = std::min(size, valueEnd + 1);
            } else {
                const qsizetype valueStart = i;
                while (i < size && !IsSpace(html[i]) && html[i] != u'>') {
                    ++i;
                }
                value = html.sliced(valueStart, i - valueStart);
            }
        }
        tag.attributes.append({name, value});
    }
    tag.end = std::min(size, i + 1);
    return tag;
}

bool IsHidden(const Tag& tag)
{
    bool hidden = false;
    tag.Attribute(u"hidden", &hidden);
    QString style = tag.Attribute(u"style").toLower();
    style.remove(u' ');
    return hidden || style.contains(u"display:none") || style.contains(u"visibility:hidden") ||
           style.contains(u"mso-hide:all");
}

bool IsVoid(const QString& name)
{
    static const QStringList names = {QStringLiteral("area"),  QStringLiteral("base"),   QStringLiteral("br"),
                                      QStringLiteral("col"),   QStringLiteral("embed"),  QStringLiteral("hr"),
                                      QStringLiteral("img"),   QStringLiteral("input"),  QStringLiteral("link"),
                                      QStringLiteral("meta"),  QStringLiteral("source"), QStringLiteral("track"),
                                      QStringLiteral("wbr")};
    return names.contains(name);
}

// Elements whose content is text up to their end tag, never markup.
bool IsRawText(const QString& name)
{
    return name == u"script" || name == u"style" || name == u"title" || name == u"textarea";
}

// The HTML without what a browser would not show and with images as
// their alt texts; one pass, whatever the nesting.
QString VisibleHtml(const QString& html)
{
    QString visible;
    visible.reserve(html.size());
    QString hiddenName;       // the hidden element being skipped
    qsizetype hiddenOpen = 0; // how many of its name are open
    qsizetype at = 0;
    while (at < html.size()) {
        const qsizetype lt = html.indexOf(u'<', at);
        const qsizetype textEnd = lt < 0 ? html.size() : lt;
        if (hiddenOpen == 0) {
            visible += QStringView(html).sliced(at, textEnd - at);
        }
        if (lt < 0) {
            break;
        }
        const QChar next = lt + 1 < html.size() ? html[lt + 1] : QChar();
        const bool isTag = IsAsciiLetter(next) || (next == u'/' && lt + 2 < html.size() && IsAsciiLetter(html[lt + 2]));
        qsizetype end = lt + 1;
        if (QStringView(html).sliced(lt).startsWith(u"<!--")) {
            end = html.indexOf(u"-->", lt + 4);
            end = end < 0 ? html.size() : end + 3;
        } else if (next == u'!' || next == u'?') {
            end = html.indexOf(u'>', lt);
            end = end < 0 ? html.size() : end + 1;
        } else if (isTag) {
            const Tag tag = ReadTag(html, lt);
            end = tag.end;
            if (!tag.closing && IsRawText(tag.name)) {
                const qsizetype close = html.indexOf(QStringLiteral("</") + tag.name, end, Qt::CaseInsensitive);
                end = close < 0 ? html.size() : close;
            } else if (hiddenOpen > 0) {
                if (tag.name == hiddenName && !tag.selfClosing) {
                    hiddenOpen += tag.closing ? -1 : 1;
                }
                at = end;
                continue;
            } else if (!tag.closing && IsHidden(tag)) {
                hiddenName = tag.name;
                hiddenOpen = IsVoid(tag.name) || tag.selfClosing ? 0 : 1;
                at = end;
                continue;
            } else if (!tag.closing && tag.name == u"img") {
                // The alt text keeps its entities; only tags are taken from it.
                visible += tag.Attribute(u"alt").replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
                at = end;
                continue;
            }
        }
        if (hiddenOpen == 0) {
            visible += QStringView(html).sliced(lt, end - lt);
        }
        at = end;
    }
    return visible;
}

} // namespace

QString PlainTextFromHtml(const QString& html)
{
    QString text = QTextDocumentFragment::fromHtml(VisibleHtml(html)).toPlainText();
    return text.remove(QChar::ObjectReplacementCharacter);
}
