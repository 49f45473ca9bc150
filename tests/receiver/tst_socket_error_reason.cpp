#include "SocketErrorReason.h"
#include "StreamSocket.h"

#include <QTcpServer>
#include <QTest>

class SocketErrorReasonTest : public QObject {
    Q_OBJECT
private slots:
    void reasonsTheOperatorCanActOnAreJapanese_data();
    void reasonsTheOperatorCanActOnAreJapanese();
    void listeningOnAPortInUseSaysSo();
};

void SocketErrorReasonTest::reasonsTheOperatorCanActOnAreJapanese_data()
{
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("address in use") << QAbstractSocket::AddressInUseError
                                    << QStringLiteral("このポートはほかのプログラムが使っています");
    QTest::newRow("no permission") << QAbstractSocket::SocketAccessError
                                   << QStringLiteral("このポートを使う権限がありません。1024 未満のポートには管理者の権限が要ります");
    QTest::newRow("address not available") << QAbstractSocket::SocketAddressNotAvailableError
                                           << QStringLiteral("このアドレスはこのコンピューターにありません");
    QTest::newRow("too many open files") << QAbstractSocket::SocketResourceError
                                         << QStringLiteral("開いているファイルが多すぎます");
    QTest::newRow("anything else keeps the platform text") << QAbstractSocket::NetworkError
                                                           << QStringLiteral("platform text");
}

void SocketErrorReasonTest::reasonsTheOperatorCanActOnAreJapanese()
{
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(QString, reason);
    QCOMPARE(SocketErrorReason(error, QStringLiteral("platform text")), reason);
}

void SocketErrorReasonTest::listeningOnAPortInUseSaysSo()
{
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::Any, 0));
    StreamSocket listener;
    listener.SetLocalPort(occupant.serverPort());
    QString reason;
    QVERIFY(!listener.Listen(&reason));
    QCOMPARE(reason, QStringLiteral("このポートはほかのプログラムが使っています"));
}

QTEST_GUILESS_MAIN(SocketErrorReasonTest)
#include "tst_socket_error_reason.moc"
