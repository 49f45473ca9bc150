#pragma once

#include <QString>

#include <functional>

// Which settings file a program uses; both programs ask here so they always
// agree on one file.
//
// Portable use keeps the file beside the program: when the program's folder
// is writable, or already holds the file. A program installed in a folder
// the user cannot write keeps it in the user's configuration folder:
// <config home>/Larkspur/<file name>.

using FolderWritable = std::function<bool(const QString& folder)>;

QString SettingsFileLocation(const QString& programFolder, const QString& fileName, const QString& configHome,
                             const FolderWritable& writable);

// The same with the user's real configuration folder ($XDG_CONFIG_HOME, or
// ~/.config) and the real test of the program's folder.
QString SettingsFileLocation(const QString& programFolder, const QString& fileName);

// Whether the program's folder is one for portable use. The folder the
// package installs the programs into never is, not even for root, who may
// write anywhere.
bool ProgramFolderWritable(const QString& folder);
