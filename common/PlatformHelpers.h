#pragma once

#include <QString>

class Dialogs;
class FileSystem;
class QObject;

// Thin operations over the platform that are not the
// settings values, the decoder or the sound.

// True when the folder exists (FileSystem::FolderExists).
bool FolderPresent(const FileSystem& fileSystem, const QString& path);
bool FolderPresent(const QString& path);

// The text before the first NUL character; the whole text when it has none.
QString CutAtNul(const QString& text);

// The title of the folder picker: "please choose a folder".
QString BrowseFolderTitle();

// The root of the folder picker as a special-folder number (CSIDL numbering)
// for a kind: 0 -> 0 (desktop), 1 -> 17 (the computer's drives), 2..11 ->
// the kind, 12..17 -> kind + 4, 18 and above -> 17. A negative kind, which
// nothing else gives, also gives 17.
int BrowseRootNumber(int kind);

// The folder that stands for a special-folder number on this platform: 0 and
// 16 the desktop, 17 the computer's drives (the file-system root here), and
// a few others their standard locations; the rest the home folder.
QString SpecialFolderPath(int csidl);

// Shows the folder picker through the dialogs seam and waits for it. Only
// kind 18 with a non-empty start folder uses the start folder (and then
// roots the picker at the desktop). Returns the chosen path, "" on cancel.
QString BrowseFolder(Dialogs& dialogs, QObject* owner, int kind, const QString& start);
