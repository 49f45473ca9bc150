#pragma once

#include "Decoder.h"

// The decoder component built into both programs: the readable form of a
// message file, on GMime.
class ReadableDecoder : public Decoder {
public:
    QString ReadableText(QByteArrayView messageFile) override;
    // The MIME library's name and the version running.
    QString Version() const override;
};
