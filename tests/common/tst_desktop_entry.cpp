#include "DesktopEntry.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTest>

namespace {

// The value of a key of the menu entry's [Desktop Entry] group.
QString EntryValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '=')) {
            return QString::fromUtf8(line.mid(key.size() + 1));
        }
    }
    return {};
}

} // namespace

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
    const QString entry = QStringLiteral(DIST_DIR "/") + QGuiApplication::desktopFileName() + QStringLiteral(".desktop");
    QCOMPARE(EntryValue(entry, QStringLiteral("Exec")), program);
    QCOMPARE(QCoreApplication::applicationName(), EntryValue(entry, QStringLiteral("StartupWMClass")));
    QCOMPARE(QGuiApplication::desktopFileName(), EntryValue(entry, QStringLiteral("Icon")));
    // Drawn from SVG, which takes Qt's SVG plugins: without them no pixmap.
    QCOMPARE(QApplication::windowIcon().pixmap(48).size(), QSize(48, 48));
}

QTEST_MAIN(DesktopEntryTest)
#include "tst_desktop_entry.moc"
