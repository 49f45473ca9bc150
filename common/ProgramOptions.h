#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

// What --help and --version tell about a program.
struct ProgramAbout {
    QString name;        // as on the command line: "Larkspur"
    QString version;     // "1.1"
    QString description; // one line, shown by --help
};

// Answers --help and --version (printed, then the program ends with 0)
// before any window or display is needed, so both work on a bare terminal.
// The program's own options are passed so that --help lists them; any
// other command line returns here untouched for the program to read.
void AnswerHelpOrVersion(int argc, char* argv[], const ProgramAbout& about,
                         const QList<QCommandLineOption>& programOptions = {});

// The parser both programs read their command line with: --help, --version
// and the program's own options.
void SetUpParser(QCommandLineParser& parser, const ProgramAbout& about,
                 const QList<QCommandLineOption>& programOptions = {});
