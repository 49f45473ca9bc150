#pragma once

// Whether a window could be shown: a display must be named in the
// environment, unless a Qt platform was chosen explicitly (QT_QPA_PLATFORM,
// for example "offscreen").
bool DisplayAvailable();
