#include "DesktopEntry.h"

#include <QApplication>
#include <QIcon>

void UseDesktopEntry(const QString& programName)
{
    const QString desktopId = QStringLiteral("org.larkspur.") + programName;
    QCoreApplication::setApplicationName(programName);
    QGuiApplication::setDesktopFileName(desktopId);
    // The same drawing the package installs for the menu, built into the
    // program so that a copy run from its build folder shows it too.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(desktopId)));
}
