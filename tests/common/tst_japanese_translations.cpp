#include "JapaneseTranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

// Qt's stock buttons speak Japanese whatever the locale.
class JapaneseTranslationsTest : public QObject {
    Q_OBJECT
private slots:
    void stockButtonsAreJapanese_data();
    void stockButtonsAreJapanese();
};

void JapaneseTranslationsTest::stockButtonsAreJapanese_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("yes") << QMessageBox::Yes << QStringLiteral("はい(&Y)");
    QTest::newRow("no") << QMessageBox::No << QStringLiteral("いいえ(&N)");
    QTest::newRow("cancel") << QMessageBox::Cancel << QStringLiteral("キャンセル");
}

void JapaneseTranslationsTest::stockButtonsAreJapanese()
{
    QFETCH(QMessageBox::StandardButton, button);
    QFETCH(QString, text);
    static const bool installed = InstallJapaneseTranslations(*qApp);
    QVERIFY(installed);
    QMessageBox box(QMessageBox::Question, QStringLiteral("終了確認"), QStringLiteral("本当に終了していいですか？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(button)->text(), text);
}

QTEST_MAIN(JapaneseTranslationsTest)
#include "tst_japanese_translations.moc"
