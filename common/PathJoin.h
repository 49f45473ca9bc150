#pragma once

#include <QString>

// Paths are joined with the native separator and used as built: a folder
// that already ends in a separator gives a doubled one, never normalised.
QString JoinPath(const QString& folder, const QString& name);

// The running program's folder and its file name without the extension.
QString ProgramFolder();
QString ProgramBaseName();
