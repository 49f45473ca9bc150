#pragma once

#include <QAbstractSocket>
#include <QString>

// Why a socket failed, as the operator reads it: Japanese for the causes an
// operator can act on, the platform's own text for any other.
QString SocketErrorReason(QAbstractSocket::SocketError error, const QString& platformText);
