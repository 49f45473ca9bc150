#include "HeaderText.h"
#include "ReadableForm.h"

#include <QTest>

// Message files as the receiver stores them: CR LF lines, each message
// ended by its end-of-data line. Characters of the Windows code pages are
// spelled by their Unicode code points: U+2460 CIRCLED DIGIT ONE, U+3231
// PARENTHESIZED IDEOGRAPH STOCK, U+9AD9 (髙), U+FA11 (﨑), U+2162 ROMAN
// NUMERAL THREE, U+2116 NUMERO SIGN, U+2121 TELEPHONE SIGN, U+2211 N-ARY
// SUMMATION, U+2170 SMALL ROMAN NUMERAL ONE, U+FF76 HALFWIDTH KATAKANA
// LETTER KA. Times are read in TZ=JST-9.
class ReadableFormTest : public QObject {
    Q_OBJECT
private slots:
    void shapes_data();
    void shapes();
    void wholeForms_data();
    void wholeForms();
    void headerFields_data();
    void headerFields();
    void limits_data();
    void limits();
    void cutByItsCaller();
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
        << QStringList{"件名: 会議の件\n", "差出人: 山田太郎 <yamada@example.jp>\n", "\n\n山田です。\n"}
        << QStringList{"=?", "\x1b", "$B", "Content-Type"};
    QTest::newRow("UTF-8 base64 alternative shows its plain text")
        << QByteArray("Subject: =?UTF-8?B?5LqI5a6a?=\r\nContent-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
                      "--b1\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "44OX44Os44O844Oz5pys5paH\r\n"
                      "--b1\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "PHA+SFRNTCAmYW1wOyDmnKzmloc8L3A+\r\n--b1--\r\n.\r\n")
        << QStringList{"件名: 予定\n", "\n\nプレーン本文\n"} << QStringList{"44OX", "PHA+", "HTML", "--b1"};
    QTest::newRow("alternative without plain text shows its HTML as text")
        << QByteArray("Content-Type: multipart/alternative; boundary=b2\r\n\r\n--b2\r\n"
                      "Content-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                      "<html><head><style>p {color: red}</style></head><body><p>Fish &amp; =E3=83=81=E3=83=83=\r\n"
                      "=E3=83=97=E3=82=B9</p><p><a href=3D\"https://example.com/\">the menu</a></p></body></html>\r\n"
                      "--b2--\r\n.\r\n")
        << QStringList{"Fish & チップス\nthe menu\n"} << QStringList{"<", "&amp;", "=E3", "color", "https://"};
    QTest::newRow("HTML: hidden preheader, head, script, hidden element; images as their alt text")
        << QByteArray("Content-Type: text/html; charset=UTF-8\r\n\r\n<html><head><title>TITLE</title></head><body>"
                      "<div style=\"color:red; Display: None\">PREHEADER <div>inner</div> still hidden</div>"
                      "<p>Hello <img src=\"cid:a\" alt=\"LOGO &amp; co\"><img src=\"cid:b\"> world</p>"
                      "<script>var s = '<p>SCRIPT</p>';</script><p hidden>HIDDEN</p><p>end</p></body></html>\r\n.\r\n")
        << QStringList{"Hello LOGO & co world\nend"}
        << QStringList{"TITLE", "PREHEADER", "inner", "still hidden", "SCRIPT", "HIDDEN", "\uFFFC"};
    QTest::newRow("mixed: text, then an attachment named by RFC 2231")
        << QByteArray("Content-Type: multipart/mixed; boundary=b3\r\n\r\n--b3\r\nContent-Type: text/plain\r\n\r\n"
                      "see attached\r\n--b3\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment;\r\n filename*=utf-8''%E8%AB%8B%E6%B1%82%E6%9B%B8.pdf\r\n\r\n"
                      "JVBERi0xLjQgaGVsbG8=\r\n--b3--\r\n.\r\n")
        << QStringList{"see attached\n[添付] 請求書.pdf (application/pdf, 14 バイト)\n"} << QStringList{"JVBERi0", "%E8"};
    QTest::newRow("a message that is one 7bit attachment: continued RFC 2231 name, size as sent")
        << QByteArray("Content-Type: text/csv; name*0*=utf-8''%E5%A3%B2; name*1=\"ue 2.csv\"\r\n"
                      "Content-Disposition: attachment\r\n\r\na,b\r\nc,d\r\n.\r\n")
        << QStringList{"[添付] 売ue 2.csv (text/csv, 10 バイト)\n"} << QStringList{"%E5", "*=", "Content-Type"};
    QTest::newRow("related: HTML text and an inline image, a calendar without events")
        << QByteArray("Content-Type: multipart/related; boundary=b4\r\n\r\n--b4\r\nContent-Type: text/html\r\n\r\n"
                      "<b>Hello</b> team\r\n--b4\r\nContent-Type: image/png; name=\"=?UTF-8?B?44Ot44K0LnBuZw==?=\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\niVBORw0KGgo=\r\n--b4\r\n"
                      "Content-Type: text/calendar; name=invite.ics\r\n\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"
                      "--b4--\r\n.\r\n")
        << QStringList{"Hello team\n", "[添付] ロゴ.png (image/png, 8 バイト)\n",
                       "[添付] invite.ics (text/calendar, 30 バイト)\n"}
        << QStringList{"<b>", "iVBOR", "BEGIN:"};
    QTest::newRow("calendar invitation beside the plain text of an alternative")
        << QByteArray("Content-Type: multipart/alternative; boundary=b7\r\n\r\n--b7\r\nContent-Type: text/plain\r\n\r\n"
                      "Please come.\r\n--b7\r\nContent-Type: text/calendar; method=REQUEST; charset=UTF-8\r\n\r\n"
                      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:\xe5\xae\x9a\xe4\xbe\x8b\r\n"
                      "DTSTART:20261207T031500Z\r\nDTEND;VALUE=DATE:20261208\r\n"
                      "LOCATION:Room 2\\, H\r\n Q\r\nBEGIN:VALARM\r\nSUMMARY:ALARM\r\nEND:VALARM\r\nEND:VEVENT\r\n"
                      "END:VCALENDAR\r\n--b7--\r\n.\r\n")
        << QStringList{"Please come.\n\n予定: 定例\n開始: 2026年12月7日(月) 12:15\n終了: 2026年12月8日(火)\n"
                       "場所: Room 2, HQ\n"}
        << QStringList{"BEGIN:", "ALARM", "[添付]"};
    QTest::newRow("format=flowed, with and without DelSp, quoted")
        << QByteArray("Content-Type: multipart/mixed; boundary=b8\r\n\r\n--b8\r\n"
                      "Content-Type: text/plain; charset=UTF-8; format=flowed; delsp=yes\r\n\r\n"
                      "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae \r\n\xe6\x96\x87\xe7\xab\xa0\r\n--b8\r\n"
                      "Content-Type: text/plain; format=flowed\r\n\r\nThis is \r\n flowed.\r\n> quoted \r\n>text\r\n"
                      "-- \r\nsig\r\n--b8--\r\n.\r\n")
        << QStringList{"日本語の文章\n\nThis is flowed.\n> quoted text\n-- \nsig\n"} << QStringList{};
    QTest::newRow("enclosed message gets its own header block")
        << QByteArray("Subject: fwd\r\nContent-Type: multipart/mixed; boundary=b5\r\n\r\n--b5\r\n\r\nouter\r\n"
                      "--b5\r\nContent-Type: message/rfc822\r\n\r\nFrom: a@b.example\r\n"
                      "Subject: =?utf-8?q?inner_=E4=B8=AD?=\r\n\r\ninner body\r\n--b5--\r\n.\r\n")
        << QStringList{"outer\n\n-------- 転送されたメッセージ --------\n差出人: a@b.example\n宛先: \n日付: \n"
                       "件名: inner 中\n\ninner body\n\n-------- ここまで --------\n"}
        << QStringList{"=E4"};
    QTest::newRow("two messages in one file, dot-stuffed lines")
        << QByteArray("Subject: one\r\n\r\n..dot line\r\n...\r\n.\r\nSubject: two\r\n\r\nsecond\r\n.\r\n")
        << QStringList{"\n.dot line\n..\n========================================\n差出人: \n宛先: \n日付: \n"
                       "件名: two\n\nsecond\n"}
        << QStringList{"..dot", "\n.\n"};
    QTest::newRow("bad base64 shows the raw text")
        << QByteArray("Content-Transfer-Encoding: base64\r\n\r\nThis is not base64 at all!\r\n.\r\n")
        << QStringList{"This is not base64 at all!\n"} << QStringList{};
    QTest::newRow("missing closing boundary")
        << QByteArray("Content-Type: multipart/mixed; boundary=b6\r\n\r\n--b6\r\n\r\npart one\r\n"
                      "--b6\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n\r\niVBORw0KGgo=\r\n.\r\n")
        << QStringList{"part one\n[添付] 名前なし (image/png, 8 バイト)\n"} << QStringList{"iVBOR"};
    QTest::newRow("unknown charsets of a body and a word are detected (Shift_JIS)")
        << QByteArray("Subject: =?x-no-such-set?B?k/qWe4zq?=\r\nContent-Type: text/plain; charset=x-no-such-set\r\n\r\n"
                      "\x93\xfa\x96{\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\r\n.\r\n")
        << QStringList{"件名: 日本語\n", "\n\n日本語の文章です\n"} << QStringList{"\uFFFD"};
    QTest::newRow("a body labelled ISO-2022-JP that is Shift_JIS is detected")
        << QByteArray("Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                      "\x93\xfa\x96{\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\r\n.\r\n")
        << QStringList{"日本語の文章です\n"} << QStringList{"\uFFFD"};
    QTest::newRow("8-bit UTF-8 under a 7-bit declaration, raw header bytes")
        << QByteArray("Subject: \xe4\xba\x88\xe5\xae\x9a\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
                      "\xe4\xba\x88\xe5\xae\x9a\r\n.\r\n")
        << QStringList{"件名: 予定\n", "\n\n予定\n"} << QStringList{"\uFFFD"};
    QTest::newRow("raw Shift_JIS and ISO-2022-JP header fields, undeclared EUC-JP body")
        << QByteArray("Subject: \x83\x65\x83\x58\x83\x67\r\nFrom: \x1b$B=EMW\x1b(B <a@example.jp>\r\n\r\n"
                      "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8\xbe\xcf\xa4\xc7\xa4\xb9\xa1\xa3\r\n.\r\n")
        << QStringList{"件名: テスト\n", "差出人: 重要 <a@example.jp>\n", "\n\n日本語の文章です。\n"}
        << QStringList{"\uFFFD", "\x1b", "$B"};
    QTest::newRow("Shift_JIS under each Windows label, in words, parameters and raw names; 0x5C a backslash")
        << QByteArray("Subject: =?Windows-31J?B?SmF2YYykj0OHQA==?=\r\nFrom: =?csShiftJIS?B?+/yLtA==?= <t@example.jp>\r\n"
                      "To: =?MS_Kanji?Q?=87=82=31?= <a@example.jp>\r\nCc: =?x-sjis?Q?=87=84?= <c@example.jp>\r\n"
                      "Content-Type: multipart/mixed; boundary=b9\r\n\r\n--b9\r\nContent-Type: text/plain; charset=sjis\r\n\r\n"
                      "\x87\x40\x87\x41\x87\x42 \x87\x8a \xfb\xfc \xfa\xb1 \x87\x56 \x87\x82 \x87\x84 \x87\x94\r\n"
                      "C:\\Users\\yamada ~\r\n--b9\r\nContent-Type: application/pdf; name=\"\x95\x5c.pdf\"\r\n\r\n%PDF\r\n"
                      "--b9\r\nContent-Type: application/pdf\r\n"
                      "Content-Disposition: attachment; filename*=shift-jis''%87%41%90%BF%8B%81.pdf\r\n\r\n%PDF\r\n"
                      "--b9--\r\n.\r\n")
        << QStringList{"差出人: \u9AD9橋 <t@example.jp>\n宛先: \u2116" "1 <a@example.jp>\nCc: \u2121 <c@example.jp>\n",
                       "件名: Java研修\u2460\n",
                       "\n\n\u2460\u2461\u2462 \u3231 \u9AD9 \uFA11 \u2162 \u2116 \u2121 \u2211\nC:\\Users\\yamada ~\n",
                       "[添付] 表.pdf (application/pdf, 4 バイト)\n[添付] \u2461請求.pdf (application/pdf, 4 バイト)\n"}
        << QStringList{"\uFFFD", "\u00A5", "\u203E", "=?", "%87"};
    QTest::newRow("ISO-2022-JP as Outlook writes it: NEC rows, half-width katakana, IBM rows of JIS X 0212")
        << QByteArray("Subject: =?ISO-2022-JP?B?GyRCfGI2NiRHJDkbKEI=?=\r\nFrom: =?csISO2022JP?B?GyRCfGI2NiRHJDkbKEI=?= "
                      "<t@example.jp>\r\nContent-Type: text/plain; charset=ISO-2022-JP-MS\r\n\r\n"
                      "\x1b$B|b66$G$9\x1b(B \x1b$B-!-\"\x1b(B \x1b(I6@6E\x1b(B \x1b$(Dss\x1b(B ok\r\n.\r\n")
        << QStringList{"件名: \u9AD9橋です\n", "差出人: \u9AD9橋です <t@example.jp>\n",
                       "\n\n\u9AD9橋です \u2460\u2461 \uFF76\uFF80\uFF76\uFF85 \u2170 ok\n"}
        << QStringList{"\uFFFD", "\x1b", "6@6E", "$B"};
    QTest::newRow("EUC-JP as eucJP-ms and CP51932: row 13, rows 89 to 92, three-byte IBM rows, katakana")
        << QByteArray("Content-Type: text/plain; charset=x-euc-jp\r\n\r\n\xad\xa1 \xfc\xe2 \x8f\xf3\xf3 \x8e\xb6\r\n.\r\n")
        << QStringList{"\u2460 \u9AD9 \u2170 \uFF76\n"} << QStringList{"\uFFFD"};
    QTest::newRow("encoded words cut inside a character, padded, joined across the fold")
        << QByteArray("Subject: =?UTF-8?B?44KI44KN44GX44GP4w==?=\r\n =?UTF-8?B?gYrpoZjjgYTjgZfjgb7jgZk=?=\r\n"
                      "To: =?ISO-2022-JP?B?GyRCIWM9RU1XIQ==?= =?iso-2022-jp?B?ZCU3JTklRiVgJE43bxsoQg==?= <a@example.jp>\r\n"
                      "\r\nbody\r\n.\r\n")
        << QStringList{"件名: よろしくお願いします\n", "宛先: ＜重要＞システムの件 <a@example.jp>\n"}
        << QStringList{"\uFFFD", "?", "%"};
    QTest::newRow("bare text type, and a header block that ends without its blank line")
        << QByteArray("Subject: bare\r\nContent-Type: text\r\nfirst body line\r\nsecond\r\n.\r\n")
        << QStringList{"件名: bare\n\nfirst body line\nsecond\n"} << QStringList{"[添付]", "名前なし"};
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
    QTest::newRow("empty messages show nothing") << QByteArray(".\r\n\r\n.\r\n") << QString();
    QTest::newRow("two messages and the command stored behind them")
        << QByteArray("From: a@b.example\r\nSubject: one\r\n\r\nfirst\r\n.\r\nSubject: two\r\n\r\nsecond\r\n.\r\n"
                      "QUIT\r\n")
        << QStringLiteral("差出人: a@b.example\n宛先: \n日付: \n件名: one\n\nfirst\n"
                          "========================================\n差出人: \n宛先: \n日付: \n件名: two\n\nsecond\n"
                          "========================================\nQUIT\n");
    QTest::newRow("the reader's header block: five fields in their order, every other field left out")
        << QByteArray("Received: from mx.example.jp\r\nDKIM-Signature: v=1; a=rsa-sha256\r\nSubject: hello\r\n"
                      "Date: Mon, 7 Dec 2026 03:15:00 +0000\r\nCc: c@example.jp\r\nTo: b@example.jp,\r\n\td@example.jp\r\n"
                      "MIME-Version: 1.0\r\nFrom: =?UTF-8?B?5bGx55Sw?= <a@example.jp>\r\n\r\nbody\r\n.\r\n"
                      "Date: someday soon\r\nSubject: s\r\n\r\nb\r\n.\r\n")
        << QStringLiteral("差出人: 山田 <a@example.jp>\n宛先: b@example.jp, d@example.jp\nCc: c@example.jp\n"
                          "日付: 2026年12月7日(月) 12:15\n件名: hello\n\nbody\n========================================\n"
                          "差出人: \n宛先: \n日付: someday soon\n件名: s\n\nb\n");
    QTest::newRow("an undecodable character costs one replacement; a pair is skipped whole")
        << QByteArray("Content-Type: text/plain; charset=Shift_JIS\r\n\r\na\x85\x40" "b c\x81 d\r\n.\r\n"
                      "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$B)!$\"\x1b(B\r\n.\r\n")
        << QStringLiteral("a\uFFFDb c\uFFFD d\n========================================\n\uFFFDあ\n");
}

void ReadableFormTest::wholeForms()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QCOMPARE(ReadableForm(file), expected);
}

// One raw field value, as other views of a message read it too.
void ReadableFormTest::headerFields_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folded, with its leading blank and line end")
        << QByteArray(" =?UTF-8?Q?=E4=BA=88?=\r\n =?UTF-8?Q?=E5=AE=9A?= of\r\n\tday\r\n") << QStringLiteral("予定 of day");
    QTest::newRow("words inside text, another word's charset, a broken word")
        << QByteArray("Re:=?utf-8?B?5LqI?=x =?CP932?B?h0A=?= =?EUC-JP?B?raI=?= =?bad?X?y?=")
        << QStringLiteral("Re:予x \u2460\u2461 =?bad?X?y?=");
    QTest::newRow("ISO-2022-JP-1 and cp51932 labels")
        << QByteArray("=?ISO-2022-JP-1?B?GyRCLSMbKEI=?= =?cp51932?B?raQ=?=") << QStringLiteral("\u2462\u2463");
    QTest::newRow("raw EUC-JP") << QByteArray("\xc6\xfc\xcb\xdc\xb8\xec") << QStringLiteral("日本語");
    QTest::newRow("a line break inside a word stays on the line")
        << QByteArray("=?UTF-8?Q?a=0D=0Ab?=") << QStringLiteral("a  b");
}

void ReadableFormTest::headerFields()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);
    QCOMPARE(ReadableHeaderField(raw), expected);
}

namespace {

// One message of the given header lines and body, as stored.
QByteArray StoredMessage(const QByteArray& headers, const QByteArray& body)
{
    return headers + "\r\n" + body + "\r\n.\r\n";
}

QByteArray NestedDivs(int levels)
{
    QByteArray html;
    for (int level = 1; level <= levels; ++level) {
        html += "<div> " + QByteArray::number(level);
    }
    return html;
}

// Multiparts nested `levels` deep, with "deep" at the bottom.
QByteArray NestedMultiparts(int levels)
{
    QByteArray body;
    for (int level = 0; level < levels; ++level) {
        body += "--b" + QByteArray::number(level) + "\r\nContent-Type: multipart/mixed; boundary=b" +
                QByteArray::number(level + 1) + "\r\n\r\n";
    }
    return body + "--b" + QByteArray::number(levels) + "\r\n\r\ndeep";
}

const QString HtmlNestingLine =
    QStringLiteral("［一部省略］HTML の入れ子が 64 段を超える部分は、改行などの区切りを省いて文字だけを表示しています。\n");
const QString NestingLine =
    QStringLiteral("［一部省略］入れ子が 32 段を超えるため、ここから先は送られてきた原文のまま表示します。\n");
const QString NoFields = QStringLiteral("差出人: \n宛先: \n日付: \n");

} // namespace

// Hostile shapes: each is cut where a limit says, with a line saying what
// was left out, in a bounded number of steps.
void ReadableFormTest::limits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected"); // the whole text, when short
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<int>("maxSteps");
    QTest::addColumn<qsizetype>("maxChars");

    const QByteArray html = "Content-Type: text/html\r\n";
    QTest::newRow("HTML 100,000 divs deep gives its text, and a line that its structure was left out")
        << StoredMessage(html, QByteArray("<div>").repeated(100000) + "deep" + QByteArray("</div>").repeated(100000))
        << QStringLiteral("deep\n") + HtmlNestingLine << QStringList() << 50 << qsizetype(200);
    QTest::newRow("unclosed tables 30,000 deep")
        << StoredMessage(html, QByteArray("<table><tr><td>").repeated(30000) + "cell")
        << QStringLiteral("cell\n") + HtmlNestingLine << QStringList() << 50 << qsizetype(200);
    QString levels;
    for (int level = 1; level <= 63; ++level) {
        levels += QString::number(level) + u'\n';
    }
    QTest::newRow("HTML 66 levels deep: line breaks down to the 64th level only")
        << StoredMessage(html, NestedDivs(66)) << levels + QStringLiteral("64 65 66\n") + HtmlNestingLine
        << QStringList() << 50 << qsizetype(400);
    QTest::newRow("5,000 parts: the first 1,000, then how many more")
        << StoredMessage("Content-Type: multipart/mixed; boundary=b\r\n",
                         QByteArray("--b\r\n\r\nx\r\n").repeated(5000) + "--b--")
        << QStringLiteral("x\n\n").repeated(1000) +
               QStringLiteral("［以下省略］パートが多いため、残りの 4000 個は表示していません（表示は 1000 個まで）。\n")
        << QStringList() << 2000 << qsizetype(4000);
    QTest::newRow("a Subject of 200,000 bytes on one line: its first 64 KiB")
        << StoredMessage("Subject: " + QByteArray(200000, 'a') + "\r\n", "body")
        << NoFields + QStringLiteral("件名: ") + QString(65535, u'a') +
               QStringLiteral("\n［以下省略］件名は全体で 200001 バイトあります。先頭の 65536 バイトだけを表示しています。\n\nbody\n")
        << QStringList() << 50 << qsizetype(70000);
    QTest::newRow("a Subject folded over 40,000 lines: its first 64 KiB")
        << StoredMessage("Subject: aaaa\r\n" + QByteArray(" aaaa\r\n").repeated(39999), "body")
        << NoFields + QStringLiteral("件名: ") + QStringLiteral("aaaa ").repeated(9362) +
               QStringLiteral("a\n［以下省略］件名は全体で 279998 バイトあります。先頭の 65536 バイトだけを表示しています。\n\nbody\n")
        << QStringList() << 50 << qsizetype(70000);
    QTest::newRow("a Subject of 3,000 encoded words: the first 1,000 decoded")
        << StoredMessage("Subject:" + QByteArray(" =?UTF-8?B?5LqI?=").repeated(3000) + "\r\n", "body")
        << NoFields + QStringLiteral("件名: ") + QString(1000, QChar(0x4E88)) +
               QStringLiteral("\n［以下省略］件名の符号化された語は先頭の 1000 個だけを表示しています（残り 2000 個）。\n\nbody\n")
        << QStringList() << 50 << qsizetype(1200);
    QString deepRest;
    for (int level = 31; level < 40; ++level) {
        deepRest += QStringLiteral("--b%1\nContent-Type: multipart/mixed; boundary=b%2\n\n").arg(level).arg(level + 1);
    }
    QTest::newRow("multiparts 40 deep: past 32 levels the rest as sent")
        << StoredMessage("Content-Type: multipart/mixed; boundary=b0\r\n", NestedMultiparts(40))
        << NestingLine + deepRest + QStringLiteral("--b40\n\ndeep\n") << QStringList() << 50 << qsizetype(1000);
    QTest::newRow("10,001 lines that could open a part: the rest as sent")
        << StoredMessage("Content-Type: multipart/mixed; boundary=b\r\n",
                         "--b\r\n\r\n" + QByteArray("--x\r\n").repeated(10001) + "--b--")
        << QStringLiteral("--x\n").repeated(9999) +
               QStringLiteral("\n［一部省略］区切りに見える行が 10000 行を超えるため、ここから先は送られてきた原文のまま表示します。\n"
                              "--x\n--x\n--b--\n")
        << QStringList() << 50 << qsizetype(50000);
    QTest::newRow("messages enclosed 40 deep: 31 shown, the rest as sent")
        << StoredMessage("Content-Type: message/rfc822\r\n",
                         QByteArray("Content-Type: message/rfc822\r\n\r\n").repeated(39) + "Subject: deep\r\n\r\ndeep")
        << QString()
        << QStringList{QStringLiteral("-------- 転送されたメッセージ --------\n\n").repeated(31) + NestingLine +
                           QStringLiteral("Content-Type: message/rfc822\n\n").repeated(8) +
                           QStringLiteral("Subject: deep\n\ndeep\n\n-------- ここまで --------\n"),
                       QStringLiteral("-------- ここまで --------\n\n").repeated(30) +
                           QStringLiteral("-------- ここまで --------\n")}
        << 500 << qsizetype(4000);
    QTest::newRow("2,000,000 header fields: the ones read are kept")
        << StoredMessage(QByteArray("X-Junk: y\r\n").repeated(2000000) + "Subject: kept\r\n", "body")
        << NoFields + QStringLiteral("件名: kept\n\nbody\n") << QStringList() << 100 << qsizetype(100);
}

void ReadableFormTest::limits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QFETCH(QStringList, present);
    QFETCH(int, maxSteps);
    QFETCH(qsizetype, maxChars);
    ReadableFormRenderer renderer(file);
    int steps = 1;
    while (renderer.Step()) {
        QVERIFY2(++steps <= maxSteps, "too many steps");
    }
    const QString text = renderer.Text();
    QVERIFY2(text.size() <= maxChars, qPrintable(QString::number(text.size())));
    if (!expected.isEmpty()) {
        QCOMPARE(text, expected);
    }
    for (const QString& part : present) {
        QVERIFY2(text.contains(part), qPrintable(QStringLiteral("missing %1 in:\n%2").arg(part, text)));
    }
    QCOMPARE(ReadableForm(file), text);
}

// The pop-up's use: steps until its budget runs out, then the text so far
// and a line saying the rest was cut. A long part takes several steps.
void ReadableFormTest::cutByItsCaller()
{
    const QByteArray file = StoredMessage("Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n",
                                          "--b\r\n\r\nfirst\r\n--b\r\n\r\n" +
                                              QByteArray("long line of text\r\n").repeated(100000) + "--b--");
    const QString cutLine =
        QStringLiteral("［以下省略］このメッセージは読める形にするのに手間がかかるため、ここまでを表示しています。\n");
    ReadableFormRenderer renderer(file);
    for (int step = 0; step < 6; ++step) {
        QVERIFY(renderer.Step());
    }
    QCOMPARE(renderer.Text(), QString());
    QCOMPARE(renderer.CutText(), cutLine);
    while (renderer.Step() && !renderer.Text().contains(u"first")) {
    }
    QCOMPARE(renderer.CutText(), NoFields + QStringLiteral("件名: s\n\nfirst\n") + cutLine);
    while (renderer.Step()) {
    }
    QVERIFY(renderer.Done());
    QCOMPARE(renderer.CutText(), renderer.Text());
    QVERIFY(renderer.Text().endsWith(u"long line of text\n"));
}

QTEST_MAIN(ReadableFormTest)
#include "tst_readable_form.moc"
