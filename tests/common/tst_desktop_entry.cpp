#include "DesktopEntry.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QTest>

// Each program's windows as a dock sees them, against the menu entry the
// package installs.
class DesktopEntryTest : public QObject {
    Q_OBJECT
private slots:
    void windowsMatchTheirMenuEntry_data();
    void windowsMatchTheirMenuEntry();
};

void DesktopEntryTest::windowsMatchTheirMenuEntry_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("the receiver") << QStringLiteral("Larkspur");
    QTest::newRow("the viewer") << QStringLiteral("Larkglass");
}

void DesktopEntryTest::windowsMatchTheirMenuEntry()
{
    QFETCH(QString, program);
    UseDesktopEntry(program);
    QSettings entry(QStringLiteral(DIST_DIR "/") + QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
                    QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Exec")).toString(), program);
    QCOMPARE(QCoreApplication::applicationName(), entry.value(QStringLiteral("StartupWMClass")).toString());
    QCOMPARE(QGuiApplication::desktopFileName(), entry.value(QStringLiteral("Icon")).toString());
    // Drawn from SVG, which takes Qt's SVG plugins: without them no pixmap.
    QCOMPARE(QApplication::windowIcon().pixmap(48).size(), QSize(48, 48));
}

QTEST_MAIN(DesktopEntryTest)
#include "tst_desktop_entry.moc"
