#pragma once

#include <QString>

// Ties the program's windows to its menu entry org.larkspur.<programName>
// .desktop, so a dock or task bar shows them under the entry's name and
// icon: the application name, which X11 window managers read as the
// windows' class (the entry's StartupWMClass); the desktop file name, which
// Wayland compositors match to the entry; and the entry's icon on every
// window. Needs the QApplication.
void UseDesktopEntry(const QString& programName);
