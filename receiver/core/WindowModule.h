#pragma once

#include <QStringList>

// The control window lives in a module of its own, loaded only in window
// mode; this is its file's base name and its entry point.
inline constexpr char WindowModuleName[] = "larkspur_window";
inline constexpr char WindowModuleEntry[] = "LarkspurRunWindow";
using WindowModuleEntryFunction = int (*)(int* argc, char** argv);

// The folders searched for the module, in order: the program's own folder,
// the folder the package installs it in, and the folder it was built in
// (for copies of the program that tests and benchmarks make elsewhere).
QStringList WindowModuleFolders(const QString& programFolder);

// Loads the module and runs the window program in it: the exit status.
// When no folder holds a module that loads, says why on standard error and
// returns 1.
int RunWindowModule(int& argc, char** argv);
