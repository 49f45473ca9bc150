#pragma once

// Whether a window could be shown: on X11 or Wayland systems a display must
// be named in the environment, unless a Qt platform was chosen explicitly
// (QT_QPA_PLATFORM, for example "offscreen"). Other systems always have one.
bool DisplayAvailable();
