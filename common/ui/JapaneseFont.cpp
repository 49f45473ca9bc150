#include "JapaneseFont.h"

#include <QStringList>

QFont JapaneseFont(qreal pointSize)
{
    static const QString face = QStringLiteral("ＭＳ Ｐゴシック");
    static const bool substituted = [] {
        QFont::insertSubstitutions(face, {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                          QStringLiteral("Noto Sans CJK JP")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(face);
    font.setPointSizeF(pointSize);
    return font;
}
