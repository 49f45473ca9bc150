#include "ReadableDecoder.h"

#include "ReadableForm.h"

#include <gmime/gmime.h>

QString ReadableDecoder::ReadableText(QByteArrayView messageFile)
{
    return ReadableForm(messageFile);
}

QString ReadableDecoder::Version() const
{
    return QStringLiteral("GMime %1.%2.%3").arg(gmime_major_version).arg(gmime_minor_version).arg(gmime_micro_version);
}

// The registry of built-in components lives here, beside the one it holds,
// so that common/ itself needs no MIME library.
const DecoderRegistry& DecoderRegistry::BuiltIn()
{
    static const DecoderRegistry builtIn = [] {
        DecoderRegistry registry;
        registry.Register(DecoderName, [] { return std::make_unique<ReadableDecoder>(); });
        return registry;
    }();
    return builtIn;
}
