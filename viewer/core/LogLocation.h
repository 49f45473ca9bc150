#pragma once

#include <QString>

#include <optional>

// Where the receiver keeps its mail, found through the receiver's settings
// file under its fixed name (whatever the viewer's own file is called),
// beside the viewer or in the user's configuration folder by the same rule
// as the receiver's.
QString SettingsFilePath(const QString& programFolder);

// The FOLDER value exactly as stored, or nothing when the file or the key
// is missing. The value "x" (in this letter case only) counts as missing.
std::optional<QString> ReadStorageFolder(const QString& programFolder);

// Joined as given: a folder ending in a separator gives a doubled one.
QString ArrivalLogPath(const QString& storageFolderPath);
