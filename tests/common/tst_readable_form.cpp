#include "ReadableForm.h"

#include <QTest>

// Message files as the receiver stores them: CR LF lines, each message
// ended by its end-of-data line. Characters of the Windows code pages are
// spelled by their Unicode code points: U+2460 CIRCLED DIGIT ONE, U+3231
// PARENTHESIZED IDEOGRAPH STOCK, U+9AD9 (髙), U+FA11 (﨑), U+2162 ROMAN
// NUMERAL THREE, U+2116 NUMERO SIGN, U+2121 TELEPHONE SIGN, U+2211 N-ARY
// SUMMATION, U+2170 SMALL ROMAN NUMERAL ONE, U+FF76 HALFWIDTH KATAKANA
// LETTER KA.
class ReadableFormTest : public QObject {
    Q_OBJECT
private slots:
    void shapes_data();
    void shapes();
    void wholeForms_data();
    void wholeForms();
};

void ReadableFormTest::shapes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("classic ISO-2022-JP: folded subject of padded words, encoded sender, JIS body")
        << QByteArray("Subject: =?iso-2022-jp?B?GyRCMnE1RBsoQg==?=\r\n =?iso-2022-jp?B?GyRCJE43bxsoQg==?=\r\n"
                      "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>\r\n"
                      "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                      "\x1b$B;3ED$G$9!#\x1b(B\r\n.\r\n")
        << QStringList{"Subject: 会議の件\n", "From: 山田太郎 <yamada@example.jp>\n",
                       "Content-Type: text/plain; charset=ISO-2022-JP\n\n山田です。\n"}
        << QStringList{"=?", "\x1b", "$B"};
    QTest::newRow("UTF-8 base64 alternative shows its plain text")
        << QByteArray("Subject: =?UTF-8?B?5LqI5a6a?=\r\nContent-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
                      "--b1\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "44OX44Os44O844Oz5pys5paH\r\n"
                      "--b1\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "PHA+SFRNTCAmYW1wOyDmnKzmloc8L3A+\r\n--b1--\r\n.\r\n")
        << QStringList{"Subject: 予定\n", "\n\nプレーン本文\n"}
        << QStringList{"44OX", "PHA+", "HTML", "--b1"};
    QTest::newRow("alternative without plain text shows its HTML as text")
        << QByteArray("Content-Type: multipart/alternative; boundary=b2\r\n\r\n--b2\r\n"
                      "Content-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                      "<html><head><style>p {color: red}</style></head><body><p>Fish &amp; =E3=83=81=E3=83=83=\r\n"
                      "=E3=83=97=E3=82=B9</p><p><a href=3D\"https://example.com/\">the menu</a></p></body></html>\r\n"
                      "--b2--\r\n.\r\n")
        << QStringList{"Fish & チップス\nthe menu\n"}
        << QStringList{"<", "&amp;", "=E3", "color", "https://"};
    QTest::newRow("mixed: text, then an attachment named by RFC 2231")
        << QByteArray("Content-Type: multipart/mixed; boundary=b3\r\n\r\n--b3\r\nContent-Type: text/plain\r\n\r\n"
                      "see attached\r\n--b3\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment;\r\n filename*=utf-8''%E8%AB%8B%E6%B1%82%E6%9B%B8.pdf\r\n\r\n"
                      "JVBERi0xLjQgaGVsbG8=\r\n--b3--\r\n.\r\n")
        << QStringList{"see attached\n[添付] 請求書.pdf (application/pdf, 14 バイト)\n"}
        << QStringList{"JVBERi0", "%E8"};
    QTest::newRow("a message that is one attachment: RFC 2231 parameters in the header block")
        << QByteArray("Content-Type: text/csv; name*0*=utf-8''%E5%A3%B2; name*1=\"ue 2.csv\"\r\n"
                      "Content-Disposition: attachment; filename*=utf-8''%E5%A3%B2ue%202.csv\r\n\r\na,b\r\n.\r\n")
        << QStringList{"Content-Type: text/csv; name=\"売ue 2.csv\"\n"
                       "Content-Disposition: attachment; filename=\"売ue 2.csv\"\n\n"
                       "[添付] 売ue 2.csv (text/csv, 4 バイト)\n"}
        << QStringList{"%E5", "*="};
    QTest::newRow("related: HTML text and an inline image, a calendar part")
        << QByteArray("Content-Type: multipart/related; boundary=b4\r\n\r\n--b4\r\nContent-Type: text/html\r\n\r\n"
                      "<b>Hello</b> team\r\n--b4\r\nContent-Type: image/png; name=\"=?UTF-8?B?44Ot44K0LnBuZw==?=\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\niVBORw0KGgo=\r\n--b4\r\n"
                      "Content-Type: text/calendar; name=invite.ics\r\n\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"
                      "--b4--\r\n.\r\n")
        << QStringList{"Hello team\n", "[添付] ロゴ.png (image/png, 8 バイト)\n",
                       "[添付] invite.ics (text/calendar, 29 バイト)\n"}
        << QStringList{"<b>", "iVBOR", "BEGIN:"};
    QTest::newRow("enclosed message is shown set apart")
        << QByteArray("Subject: fwd\r\nContent-Type: multipart/mixed; boundary=b5\r\n\r\n--b5\r\n\r\nouter\r\n"
                      "--b5\r\nContent-Type: message/rfc822\r\n\r\nFrom: a@b.example\r\n"
                      "Subject: =?utf-8?q?inner_=E4=B8=AD?=\r\n\r\ninner body\r\n--b5--\r\n.\r\n")
        << QStringList{"outer\n\n-------- 転送されたメッセージ --------\nFrom: a@b.example\nSubject: inner 中\n\n"
                       "inner body\n\n-------- ここまで --------\n"}
        << QStringList{"=E4"};
    QTest::newRow("two messages in one file, dot-stuffed lines")
        << QByteArray("Subject: one\r\n\r\n..dot line\r\n...\r\n.\r\nSubject: two\r\n\r\nsecond\r\n.\r\n")
        << QStringList{"\n.dot line\n..\n========================================\nSubject: two\n\nsecond\n"}
        << QStringList{"..dot", "\n.\n"};
    QTest::newRow("bad base64 shows the raw text")
        << QByteArray("Content-Transfer-Encoding: base64\r\n\r\nThis is not base64 at all!\r\n.\r\n")
        << QStringList{"This is not base64 at all!\n"} << QStringList{};
    QTest::newRow("missing closing boundary")
        << QByteArray("Content-Type: multipart/mixed; boundary=b6\r\n\r\n--b6\r\n\r\npart one\r\n"
                      "--b6\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n\r\niVBORw0KGgo=\r\n.\r\n")
        << QStringList{"part one\n[添付] 名前なし (image/png, 8 バイト)\n"} << QStringList{"iVBOR"};
    QTest::newRow("unknown charset: the bytes are detected (Shift_JIS)")
        << QByteArray("Content-Type: text/plain; charset=x-no-such-set\r\n\r\n"
                      "\x93\xfa\x96{\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\r\n.\r\n")
        << QStringList{"\n\n日本語の文章です\n"} << QStringList{"\uFFFD"};
    QTest::newRow("a body labelled ISO-2022-JP that is Shift_JIS is detected")
        << QByteArray("Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                      "\x93\xfa\x96{\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\r\n.\r\n")
        << QStringList{"日本語の文章です\n"} << QStringList{"\uFFFD"};
    QTest::newRow("EUC-JP as eucJP-ms and CP51932: row 13, rows 89 to 92, three-byte IBM rows, katakana")
        << QByteArray("Content-Type: text/plain; charset=x-euc-jp\r\n\r\n\xad\xa1 \xfc\xe2 \x8f\xf3\xf3 \x8e\xb6\r\n.\r\n")
        << QStringList{"\u2460 \u9AD9 \u2170 \uFF76\n"} << QStringList{"\uFFFD"};
    QTest::newRow("8-bit UTF-8 under a 7-bit declaration, raw header bytes")
        << QByteArray("Subject: \xe4\xba\x88\xe5\xae\x9a\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
                      "\xe4\xba\x88\xe5\xae\x9a\r\n.\r\n")
        << QStringList{"Subject: 予定\n", "\n\n予定\n"} << QStringList{"\uFFFD"};
    QTest::newRow("raw Shift_JIS header and undeclared EUC-JP body")
        << QByteArray("Subject: \x83\x65\x83\x58\x83\x67\r\n\r\n"
                      "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8\xbe\xcf\xa4\xc7\xa4\xb9\xa1\xa3\r\n.\r\n")
        << QStringList{"Subject: テスト\n", "\n\n日本語の文章です。\n"} << QStringList{"\uFFFD"};
    QTest::newRow("NUL bytes")
        << QByteArray("Subject: n\r\n\r\nnul\0byte\r\n.\r\n", 26) << QStringList{"nul\uFFFDbyte\n"}
        << QStringList{QString(QChar(0))};
    QTest::newRow("no end-of-data line, no headers")
        << QByteArray("no end line\r\nat all") << QStringList{"no end line\nat all\n"} << QStringList{};
}

void ReadableFormTest::shapes()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QString text = ReadableForm(file);
    for (const QString& part : present) {
        QVERIFY2(text.contains(part), qPrintable(QStringLiteral("missing %1 in:\n%2").arg(part, text)));
    }
    for (const QString& part : absent) {
        QVERIFY2(!text.contains(part), qPrintable(QStringLiteral("residue %1 in:\n%2").arg(part, text)));
    }
}

void ReadableFormTest::wholeForms_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("two messages and the command stored behind them")
        << QByteArray("From: a@b.example\r\nSubject: one\r\n\r\nfirst\r\n.\r\nSubject: two\r\n\r\nsecond\r\n.\r\n"
                      "QUIT\r\n")
        << QStringLiteral("From: a@b.example\nSubject: one\n\nfirst\n"
                          "========================================\nSubject: two\n\nsecond\n"
                          "========================================\nQUIT\n");
}

void ReadableFormTest::wholeForms()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QCOMPARE(ReadableForm(file), expected);
}

QTEST_GUILESS_MAIN(ReadableFormTest)
#include "tst_readable_form.moc"
