#include "SocketErrorReason.h"

QString SocketErrorReason(QAbstractSocket::SocketError error, const QString& platformText)
{
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("このポートはほかのプログラムが使っています");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("このポートを使う権限がありません。1024 未満のポートには管理者の権限が要ります");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("このアドレスはこのコンピューターにありません");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("開いているファイルが多すぎます");
    default:
        return platformText;
    }
}
