#pragma once

#include <QString>

class Dialogs;
class FileSystem;
class QObject;

// Thin operations over the platform that are not the settings values or
// the sound.

// True when the folder exists (FileSystem::FolderExists).
bool FolderPresent(const FileSystem& fileSystem, const QString& path);
bool FolderPresent(const QString& path);

// Shows the folder picker through the dialogs seam and waits for it: rooted
// at the file-system root, with nothing preselected. Returns the chosen
// path, "" on cancel.
QString BrowseFolder(Dialogs& dialogs, QObject* owner);
