#include "HeaderText.h"

#include "GMimeSupport.h"

#include <QRegularExpression>

namespace {

bool NeedsQuotes(const QString& value)
{
    static const QString specials = QStringLiteral("()<>@,;:\\\"/[]?= \t");
    if (value.isEmpty()) {
        return true;
    }
    for (const QChar c : value) {
        if (specials.contains(c)) {
            return true;
        }
    }
    return false;
}

// "value; name=param" with every parameter decoded.
QString WithParameters(QString text, GMimeParamList* parameters)
{
    const int count = parameters ? g_mime_param_list_length(parameters) : 0;
    for (int i = 0; i < count; ++i) {
        GMimeParam* parameter = g_mime_param_list_get_parameter_at(parameters, i);
        const QString value = QString::fromUtf8(g_mime_param_get_value(parameter));
        text += QStringLiteral("; ") + QString::fromUtf8(g_mime_param_get_name(parameter)) + QLatin1Char('=') +
                (NeedsQuotes(value) ? QLatin1Char('"') + value + QLatin1Char('"') : value);
    }
    return text;
}

// GMime joins the payloads of neighbouring encoded words in one charset
// before decoding them, and its base64 decoder stops at the padding of the
// first: "=?ISO-2022-JP?B?...Qg==?= =?ISO-2022-JP?B?...?=" loses all but
// the first word. So the text is decoded in runs that end after each padded
// base64 word; the blank between two encoded words means nothing (RFC 2047)
// and is dropped at the cut.
QString DecodeText(GMimeParserOptions* options, const QByteArray& value)
{
    static const QRegularExpression paddedWordThenWord(
        QStringLiteral("=\\?[^?\\s]+\\?[Bb]\\?[^?\\s]*=\\?=(\\s*)(?==\\?[^?\\s]+\\?[BbQq]\\?)"));
    const QString text = QString::fromUtf8(value);
    QString decoded;
    qsizetype start = 0;
    for (const QRegularExpressionMatch& cut : paddedWordThenWord.globalMatch(text)) {
        decoded += FromGString(
            g_mime_utils_header_decode_text(options, text.mid(start, cut.capturedStart(1) - start).toUtf8()));
        start = cut.capturedEnd(1);
    }
    return decoded + FromGString(g_mime_utils_header_decode_text(options, text.mid(start).toUtf8()));
}

} // namespace

QString ReadableHeaderValue(GMimeParserOptions* options, const char* name, const QByteArray& value)
{
    if (g_ascii_strcasecmp(name, "Content-Type") == 0) {
        GPtr<GMimeContentType> type(g_mime_content_type_parse(options, value.constData()));
        return WithParameters(FromGString(g_mime_content_type_get_mime_type(type.get())),
                              g_mime_content_type_get_parameters(type.get()));
    }
    if (g_ascii_strcasecmp(name, "Content-Disposition") == 0) {
        GPtr<GMimeContentDisposition> disposition(g_mime_content_disposition_parse(options, value.constData()));
        return WithParameters(QString::fromUtf8(g_mime_content_disposition_get_disposition(disposition.get())),
                              g_mime_content_disposition_get_parameters(disposition.get()));
    }
    return DecodeText(options, value);
}
