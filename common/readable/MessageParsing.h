#pragma once

#include "GMimeSupport.h"

#include <QByteArrayView>

// The message, or nothing when GMime cannot read one.
GPtr<GMimeMessage> ParseMessage(QByteArrayView message);
