#include "Decoder.h"

#include <QTest>

#include <stdexcept>

namespace {

class FakeDecoder : public Decoder {
public:
    QString ReadableText(QByteArrayView messageFile) override
    {
        calls.append(messageFile.toByteArray());
        return QString::fromLatin1(messageFile).toUpper();
    }
    QString Version() const override { return QStringLiteral("fake 1.0"); }

    QList<QByteArray> calls;
};

DecoderFactory MakesFake()
{
    return [] { return std::make_unique<FakeDecoder>(); };
}

} // namespace

class DecoderTest : public QObject {
    Q_OBJECT
private slots:
    void readableDecoderIsBuiltIn();
    void flagIsFalseBeforeCreation();
    void componentRegisteredUnderTheNameIsCreated_data();
    void componentRegisteredUnderTheNameIsCreated();
    void componentOfAnotherNameIsNotUsed();
    void factoryThatFailsLeavesTheFlagFalse_data();
    void factoryThatFailsLeavesTheFlagFalse();
    void decoderIsCalledThroughTheSlot();
    void releaseTurnsTheFlagFalse();
};

void DecoderTest::readableDecoderIsBuiltIn()
{
    DecoderSlot slot;
    slot.CreateDecoder();
    QVERIFY(slot.DecoderAvailable());
    QCOMPARE(slot.Decoder()->Version(), QStringLiteral("GMime " GMIME_PACKAGE_VERSION));
    QCOMPARE(slot.Decoder()->ReadableText("Subject: =?utf-8?B?5LyB55S7?=\r\n\r\nbody\r\n.\r\n"),
             QStringLiteral("差出人: \n宛先: \n日付: \n件名: 企画\n\nbody\n"));
}

void DecoderTest::flagIsFalseBeforeCreation()
{
    DecoderRegistry registry;
    registry.Register(QStringLiteral("basp21"), MakesFake());
    DecoderSlot slot(registry);
    QVERIFY(!slot.DecoderAvailable());
}

void DecoderTest::componentRegisteredUnderTheNameIsCreated_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("the name as asked for") << "basp21";
    QTest::newRow("the name in capitals") << "BASP21";
}

void DecoderTest::componentRegisteredUnderTheNameIsCreated()
{
    QFETCH(QString, name);
    DecoderRegistry registry;
    registry.Register(name, MakesFake());
    DecoderSlot slot(registry);
    slot.CreateDecoder();
    QVERIFY(slot.DecoderAvailable());
    QVERIFY(slot.Decoder() != nullptr);
    QCOMPARE(slot.Decoder()->Version(), QStringLiteral("fake 1.0"));
}

void DecoderTest::componentOfAnotherNameIsNotUsed()
{
    DecoderRegistry registry;
    registry.Register(QStringLiteral("basp22"), MakesFake());
    DecoderSlot slot(registry);
    slot.CreateDecoder();
    QVERIFY(!slot.DecoderAvailable());
}

void DecoderTest::factoryThatFailsLeavesTheFlagFalse_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("factory gives nothing") << 0;
    QTest::newRow("factory throws") << 1;
    QTest::newRow("empty factory") << 2;
}

void DecoderTest::factoryThatFailsLeavesTheFlagFalse()
{
    QFETCH(int, failure);
    DecoderRegistry registry;
    switch (failure) {
    case 0:
        registry.Register(QStringLiteral("basp21"), [] { return std::unique_ptr<Decoder>(); });
        break;
    case 1:
        registry.Register(QStringLiteral("basp21"),
                          []() -> std::unique_ptr<Decoder> { throw std::runtime_error("broken component"); });
        break;
    default:
        registry.Register(QStringLiteral("basp21"), DecoderFactory());
        break;
    }
    DecoderSlot slot(registry);
    slot.CreateDecoder();
    QVERIFY(!slot.DecoderAvailable());
    QVERIFY(slot.Decoder() == nullptr);
}

void DecoderTest::decoderIsCalledThroughTheSlot()
{
    DecoderRegistry registry;
    registry.Register(QStringLiteral("basp21"), MakesFake());
    DecoderSlot slot(registry);
    slot.CreateDecoder();
    QCOMPARE(slot.Decoder()->ReadableText("subject: hi\r\n"), QStringLiteral("SUBJECT: HI\r\n"));
    const auto* fake = dynamic_cast<FakeDecoder*>(slot.Decoder());
    QVERIFY(fake);
    QCOMPARE(fake->calls, QList<QByteArray>{"subject: hi\r\n"});
}

void DecoderTest::releaseTurnsTheFlagFalse()
{
    DecoderRegistry registry;
    registry.Register(QStringLiteral("basp21"), MakesFake());
    DecoderSlot slot(registry);
    slot.CreateDecoder();
    QVERIFY(slot.DecoderAvailable());
    slot.Release();
    QVERIFY(!slot.DecoderAvailable());
    QVERIFY(slot.Decoder() == nullptr);
}

QTEST_GUILESS_MAIN(DecoderTest)
#include "tst_decoder.moc"
