#include "WindowModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

// The running program's folder, before any application object exists.
QString ProgramFolderOf(const char* argv0)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists()) {
        return self.canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    }
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

} // namespace

QStringList WindowModuleFolders(const QString& programFolder)
{
    return {programFolder, QDir::cleanPath(programFolder + QStringLiteral("/" LARKSPUR_MODULE_FROM_BINDIR)),
            QStringLiteral(LARKSPUR_BUILD_MODULE_DIR)};
}

int RunWindowModule(int& argc, char** argv)
{
    QStringList failures;
    for (const QString& folder : WindowModuleFolders(ProgramFolderOf(argv[0]))) {
        QLibrary module(folder + QLatin1Char('/') + QLatin1String(WindowModuleName));
        if (!module.load()) {
            failures.append(module.errorString());
            continue;
        }
        const auto entry = reinterpret_cast<WindowModuleEntryFunction>(module.resolve(WindowModuleEntry));
        if (entry) {
            return entry(&argc, argv);
        }
        failures.append(module.errorString());
    }
    std::fprintf(stderr, "Larkspur: ウィンドウの部品を読み込めません。--headless ならウィンドウなしで動きます。\n%s\n",
                 qPrintable(failures.join(QLatin1Char('\n'))));
    return 1;
}
