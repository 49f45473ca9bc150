#include "MessageAttachments.h"
#include "MessageHeadline.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The parts of a message the viewer lists besides its readable form: the
// sender and subject, and the attachments.
class MessagePartsTest : public QObject {
    Q_OBJECT
private slots:
    void headline_data();
    void headline();
    void headlineOfEachMessageOfAFile();
    void headlineReadsAHugeFieldOnlyInPart();
    void attachmentsAreTheDecodedPartsThatAreNotText();
    void attachmentsStopAtThePartLimit();
};

void MessagePartsTest::headline_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("subject");

    QTest::newRow("an encoded name before the address, an ISO-2022-JP subject")
        << QByteArray("From: =?ISO-2022-JP?B?GyRCRURDZjBsTzobKEI=?= <tanaka@shop.example>\r\n"
                      "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n")
        << "田中一郎" << "会議の件";
    QTest::newRow("a quoted name keeps its comma; a folded subject of padded words")
        << QByteArray("From: \"Yamada, Taro\" <taro@example.jp>, other@example.jp\r\n"
                      "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n =?ISO-2022-JP?B?GyRCJE43bxsoQg==?=\r\n")
        << "Yamada, Taro" << "会議の件";
    QTest::newRow("a bare address is the sender") << QByteArray("from: alerts@monitor.example\r\n")
                                                  << "alerts@monitor.example" << "";
    QTest::newRow("a comment after the address names the sender")
        << QByteArray("From: tanaka@shop.example (Tanaka)\r\nSUBJECT: plain\r\n") << "Tanaka" << "plain";
    QTest::newRow("an empty name gives the address") << QByteArray("From: \"\" <a@b.example>\r\n") << "a@b.example"
                                                     << "";
    QTest::newRow("raw UTF-8 header bytes") << QByteArray("From: 山田 <y@example.jp>\nSubject: 件名\n") << "山田"
                                            << "件名";
    QTest::newRow("no header fields at all") << QByteArray() << "" << "";
}

void MessagePartsTest::headline()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, sender);
    QFETCH(QString, subject);
    const MessageHeadline headline = HeadlineOf(header);
    QCOMPARE(headline.sender, sender);
    QCOMPARE(headline.subject, subject);
}

void MessagePartsTest::headlineOfEachMessageOfAFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("20030512_102233.log")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // The second message has no body; in the third a line that is no field
    // begins the body; the last has no end line.
    file.write("From: a@example.jp\r\nSubject: one\r\n\r\nFrom: not a header\r\n..\r\n.\r\n"
               "From: b@example.jp\r\nSubject: two\r\n.\r\n"
               "From: c@example.jp\r\nno field\r\nSubject: in the body\r\n.\r\n"
               "Subject: four\r\n");
    file.close();

    const QList<std::optional<MessageHeadline>> expected{
        MessageHeadline{"a@example.jp", "one"}, MessageHeadline{"b@example.jp", "two"},
        MessageHeadline{"c@example.jp", ""}, MessageHeadline{"", "four"}, std::nullopt};
    for (int index = 0; index < expected.size(); ++index) {
        QCOMPARE(ReadMessageHeadline(file.fileName(), index), expected[index]);
    }
    QCOMPARE(ReadMessageHeadline(dir.filePath(QStringLiteral("missing.log")), 0), std::nullopt);
}

void MessagePartsTest::headlineReadsAHugeFieldOnlyInPart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("20030512_102233.log")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Subject: " + QByteArray("=?UTF-8?B?44GC?= ").repeated(1500) + "\r\nFrom: a@example.jp\r\n\r\n.\r\n");
    file.write("Subject: " + QByteArray(10 * 1024 * 1024, 'x') + "\r\n\r\n.\r\nSubject: after\r\n\r\n.\r\n");
    file.close();

    // 1,000 encoded words decoded, the rest left out.
    QCOMPARE(ReadMessageHeadline(file.fileName(), 0), (MessageHeadline{"a@example.jp", QString(1000, u'あ')}));
    const std::optional<MessageHeadline> huge = ReadMessageHeadline(file.fileName(), 1);
    QVERIFY(huge.has_value());
    QVERIFY(huge->subject.size() <= 64 * 1024);
    QVERIFY(huge->subject.endsWith(QStringLiteral("xxxxxxxx")));
    QCOMPARE(ReadMessageHeadline(file.fileName(), 2), (MessageHeadline{"", "after"}));
}

void MessagePartsTest::attachmentsAreTheDecodedPartsThatAreNotText()
{
    QByteArray binary;
    for (int i = 0; i < 256; ++i) {
        binary.append(char(i));
    }
    const QByteArray message = "From: a@example.jp\r\nMIME-Version: 1.0\r\n"
                               "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                               "--b1\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n本文\r\n"
                               "--b1\r\nContent-Type: application/pdf\r\n"
                               "Content-Disposition: attachment; filename*=UTF-8''%E8%AB%8B%E6%B1%82%E6%9B%B8.pdf\r\n"
                               "Content-Transfer-Encoding: base64\r\n\r\n" +
                               binary.toBase64() +
                               "\r\n--b1\r\nContent-Type: message/rfc822\r\n\r\n"
                               "Subject: inner\r\nContent-Type: multipart/mixed; boundary=\"b2\"\r\n\r\n"
                               "--b2\r\nContent-Type: text/html\r\n\r\n<p>inner</p>\r\n"
                               "--b2\r\nContent-Type: application/octet-stream\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n\r\na=3Db\r\n--b2--\r\n--b1--\r\n";

    const QList<MessageAttachment> attachments = MessageAttachments(message);
    QCOMPARE(attachments.size(), 2);
    QCOMPARE(attachments[0].name, QStringLiteral("請求書.pdf"));
    QCOMPARE(attachments[0].type, QStringLiteral("application/pdf"));
    QCOMPARE(attachments[0].bytes, binary);
    QCOMPARE(attachments[1].name, QString());
    QCOMPARE(attachments[1].type, QStringLiteral("application/octet-stream"));
    QCOMPARE(attachments[1].bytes, QByteArray("a=b"));
    QVERIFY(MessageAttachments("Subject: plain text\r\n\r\nbody\r\n").isEmpty());
}

void MessagePartsTest::attachmentsStopAtThePartLimit()
{
    QByteArray message = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 1200; ++i) {
        message += "--b\r\nContent-Type: application/octet-stream\r\n\r\n" + QByteArray::number(i) + "\r\n";
    }
    message += "--b--\r\n";
    const QList<MessageAttachment> attachments = MessageAttachments(message);
    QCOMPARE(attachments.size(), 1000);
    QCOMPARE(attachments.back().bytes, QByteArray("999"));
}

QTEST_GUILESS_MAIN(MessagePartsTest)
#include "tst_message_parts.moc"
