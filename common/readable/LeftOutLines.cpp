#include "LeftOutLines.h"

#include "ReadingLimits.h"

QString PartsLeftOutLine(qint64 parts)
{
    return QStringLiteral("［以下省略］パートが多いため、残りの %1 個は表示していません（表示は %2 個まで）。")
        .arg(parts)
        .arg(MaxParts);
}

QString NestingLeftOutLine()
{
    return QStringLiteral("［一部省略］入れ子が %1 段を超えるため、ここから先は送られてきた原文のまま表示します。")
        .arg(MaxNesting);
}

QString BoundaryLinesLeftOutLine()
{
    return QStringLiteral("［一部省略］区切りに見える行が %1 行を超えるため、ここから先は送られてきた原文のまま表示します。")
        .arg(MaxBoundaryLines);
}

QString RawTextLeftOutLine(qint64 bytes)
{
    return QStringLiteral("［以下省略］原文の残り %1 バイトは表示していません。").arg(bytes);
}

QString FieldBytesLeftOutLine(const QString& label, qint64 bytes)
{
    return QStringLiteral("［以下省略］%1は全体で %2 バイトあります。先頭の %3 バイトだけを表示しています。")
        .arg(label)
        .arg(bytes)
        .arg(MaxFieldBytes);
}

QString EncodedWordsLeftOutLine(const QString& label, qint64 words)
{
    return QStringLiteral("［以下省略］%1の符号化された語は先頭の %2 個だけを表示しています（残り %3 個）。")
        .arg(label)
        .arg(MaxEncodedWords)
        .arg(words);
}

QString HtmlNestingLeftOutLine()
{
    return QStringLiteral("［一部省略］HTML の入れ子が %1 段を超える部分は、改行などの区切りを省いて文字だけを表示しています。")
        .arg(MaxHtmlDepth);
}

QString RenderingCutLine()
{
    return QStringLiteral("［以下省略］このメッセージは読める形にするのに手間がかかるため、ここまでを表示しています。");
}
