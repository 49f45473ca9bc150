#pragma once

#include "GMimeSupport.h"

#include <QByteArrayView>

#include <memory>

// GMime's parser set up as the readable form reads mail: lenient with the
// encoded words and parameters that real mail gets wrong.
using ParserOptions = std::unique_ptr<GMimeParserOptions, decltype(&g_mime_parser_options_free)>;
ParserOptions LenientParserOptions();

// The message, or nothing when GMime cannot read one.
GPtr<GMimeMessage> ParseMessage(QByteArrayView message, GMimeParserOptions* options);
