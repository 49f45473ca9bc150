#include "MessageParsing.h"

ParserOptions LenientParserOptions()
{
    EnsureGMime();
    ParserOptions options(g_mime_parser_options_new(), g_mime_parser_options_free);
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    return options;
}

GPtr<GMimeMessage> ParseMessage(QByteArrayView message, GMimeParserOptions* options)
{
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(message.data(), static_cast<size_t>(message.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    return GPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), options));
}
