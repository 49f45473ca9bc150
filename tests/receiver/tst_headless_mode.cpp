#include "ReceiverProgram.h"

#include <QApplication>
#include <QTest>

#include <vector>

// The application is made here by the program's own CreateApplication, as
// main() makes it, so no test harness makes one first.
class HeadlessModeTest : public QObject {
    Q_OBJECT
private slots:
    void applicationFollowsTheMode_data();
    void applicationFollowsTheMode();
};

void HeadlessModeTest::applicationFollowsTheMode_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("window");
    QTest::newRow("--headless with a display") << QByteArrayList{"Larkspur", "--headless"} << true << false;
    QTest::newRow("no display") << QByteArrayList{"Larkspur"} << false << false;
    QTest::newRow("a display") << QByteArrayList{"Larkspur"} << true << true;
}

void HeadlessModeTest::applicationFollowsTheMode()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, display);
    QFETCH(bool, window);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!display) {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            qunsetenv(name);
        }
    }
    int argc = int(arguments.size());
    std::vector<char*> argv;
    for (QByteArray& argument : arguments) {
        argv.push_back(argument.data());
    }
    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv.data());
    QCOMPARE(qobject_cast<QApplication*>(app.get()) != nullptr, window);
    if (window) {
        return;
    }
    // Without a QApplication no widget can exist: Qt ends a program that
    // makes one. The headless end-to-end tests deliver with pop-ups asked for.
    QVERIFY(!qobject_cast<QGuiApplication*>(app.get()));
    QVERIFY(QApplication::allWidgets().isEmpty());
}

QTEST_APPLESS_MAIN(HeadlessModeTest)
#include "tst_headless_mode.moc"
