#include "ProgramOptions.h"

#include "JapaneseTranslations.h"

#include <QCommandLineParser>
#include <QCoreApplication>

void SetUpParser(QCommandLineParser& parser, const ProgramAbout& about,
                 const QList<QCommandLineOption>& programOptions)
{
    QCoreApplication::setApplicationName(about.name);
    QCoreApplication::setApplicationVersion(about.version);
    parser.setApplicationDescription(about.description);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(programOptions);
}

void AnswerHelpOrVersion(int argc, char* argv[], const ProgramAbout& about,
                         const QList<QCommandLineOption>& programOptions)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    // A first look without an application object: one that owns a display
    // must not be made just to print a few lines.
    {
        QCommandLineParser probe;
        SetUpParser(probe, about, programOptions);
        probe.parse(arguments);
        if (!probe.isSet(QStringLiteral("help")) && !probe.isSet(QStringLiteral("help-all")) &&
            !probe.isSet(QStringLiteral("version"))) {
            return;
        }
    }
    QCoreApplication app(argc, argv);
    InstallJapaneseTranslations(app);
    QCommandLineParser parser;
    SetUpParser(parser, about, programOptions);
    parser.process(arguments); // prints the answer and ends the program
}
