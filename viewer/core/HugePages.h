#pragma once

#include <QtGlobal>

// Asks the system to back a large buffer with huge pages where it can
// (Linux transparent huge pages). Touching tens of megabytes of fresh
// memory a small page at a time costs one fault per page, which is most of
// the cost of reading a long log; a hint never changes what the buffer holds.
void AdviseHugePages(void* data, qint64 bytes);
