#include "FlowedText.h"

#include <QStringView>

QString UnflowedText(const QString& text, bool deleteSpace)
{
    if (text.isEmpty()) {
        return text;
    }
    QString unflowed;
    unflowed.reserve(text.size());
    QString paragraph;
    qsizetype paragraphDepth = -1; // no paragraph open
    const auto endParagraph = [&] {
        if (paragraphDepth > 0) {
            unflowed += QString(paragraphDepth, u'>') + u' ';
        }
        unflowed += paragraph + u'\n';
        paragraph.clear();
        paragraphDepth = -1;
    };
    QStringView rest(text);
    if (rest.endsWith(u'\n')) {
        rest.chop(1);
    }
    for (QStringView line : rest.tokenize(u'\n')) {
        qsizetype depth = 0;
        while (depth < line.size() && line[depth] == u'>') {
            ++depth;
        }
        line = line.sliced(depth);
        if (line.startsWith(u' ')) {
            line = line.sliced(1);
        }
        const bool flowed = line.endsWith(u' ') && line != u"-- ";
        if (paragraphDepth >= 0 && depth != paragraphDepth) {
            endParagraph(); // a quote depth change ends even a flowed line
        }
        paragraph += flowed && deleteSpace ? line.chopped(1) : line;
        paragraphDepth = depth;
        if (!flowed) {
            endParagraph();
        }
    }
    if (paragraphDepth >= 0) {
        endParagraph();
    }
    return unflowed;
}
