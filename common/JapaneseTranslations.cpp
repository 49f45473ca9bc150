#include "JapaneseTranslations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt ships no Japanese for its command-line help; these few texts fill in.
class CommandLineTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        static const QHash<QByteArray, QString> texts = {
            {"Displays help on commandline options.", QStringLiteral("このヘルプを表示します。")},
            {"Displays help including Qt specific options.", QStringLiteral("Qt 共通のオプションも含めたヘルプを表示します。")},
            {"Usage: %1", QStringLiteral("使い方: %1")},
            {"Options:", QStringLiteral("オプション:")},
            {"Arguments:", QStringLiteral("引数:")},
            {"[options]", QStringLiteral("[オプション]")},
            {"Unknown option '%1'.", QStringLiteral("オプション '%1' はありません。")},
            {"Unknown options: %1.", QStringLiteral("オプション %1 はありません。")},
            {"Missing value after '%1'.", QStringLiteral("'%1' のあとに値がありません。")},
        };
        if (qstrcmp(context, "QCommandLineParser") != 0) {
            return {};
        }
        return texts.value(QByteArray(sourceText));
    }

    bool isEmpty() const override { return false; }
};

} // namespace

bool InstallJapaneseTranslations(QCoreApplication& app)
{
    auto* commandLine = new CommandLineTexts(&app);
    QCoreApplication::installTranslator(commandLine);

    auto* qtbase = new QTranslator(&app);
    const bool found = qtbase->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                                    QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (found) {
        QCoreApplication::installTranslator(qtbase);
    } else {
        delete qtbase;
    }
    return found;
}
