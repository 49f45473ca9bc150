#pragma once

#include <QString>

// The MIME library the readable form is made with and its version, as the
// receiver's window shows it ("GMime 3.2.13").
QString ReadableFormVersion();
