#include "SocketStatusReport.h"

#include "SessionEngine.h"

#include <array>

QString SocketStateName(int state)
{
    static const std::array<QString, 10> names = {
        QStringLiteral("Close"),          QStringLiteral("Open"),          QStringLiteral("Listening"),
        QStringLiteral("ConnectionPending"), QStringLiteral("Resolving Host"), QStringLiteral("Host Resolved"),
        QStringLiteral("Connecting"),     QStringLiteral("Connected"),     QStringLiteral("Closing"),
        QStringLiteral("Error")};
    return state >= 0 && state < int(names.size()) ? names[state] : QString();
}

QString SocketStatusReport(SessionEngine& engine)
{
    const auto line = [](const QString& head, StreamSocket& socket, const QString& portLabel) {
        return head + SocketStateName(socket.State()) + portLabel + QString::number(socket.LocalPort()) +
               QStringLiteral("\r\n");
    };
    QString report = line(QStringLiteral("Listen Status:"), engine.WsckListen(), QStringLiteral(" PORT:"));
    for (int i = 0; i < SessionEngine::SessionCount; ++i) {
        report += line(QStringLiteral("Tran(%1) Status:").arg(i), engine.WsckTran(i), QStringLiteral(" PORT:"));
    }
    // The refusal socket's line has no blank before "PORT:".
    report += line(QStringLiteral("Msg Status:"), engine.WsckMsg(), QStringLiteral("PORT:"));
    return report;
}
