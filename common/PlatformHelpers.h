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

// Where a picker opens for a field that holds `current`: at that path, or
// at the home folder when the field is empty.
QString PickerStart(const QString& current);

// Shows the folder picker through the dialogs seam and waits for it, opened
// at PickerStart(current). Returns the chosen path, "" on cancel.
QString BrowseFolder(Dialogs& dialogs, QObject* owner, const QString& current);
