#include "ServiceEventLog.h"

#include "Clock.h"
#include "ReceiverService.h"
#include "SystemText.h"

ServiceEventLog::ServiceEventLog(ReceiverService& service, const Clock& clock, std::FILE* stream)
    : QObject(&service), clock_(clock), stream_(stream)
{
    connect(&service, &ReceiverService::Listening, this, [this](int port, const QString& folder) {
        Write(QStringLiteral("待ち受け開始 ポート %1 保管フォルダー %2").arg(port).arg(folder));
    });
    connect(&service, &ReceiverService::Stopped, this, [this] { Write(QStringLiteral("停止")); });
    connect(&service, &ReceiverService::MessageStored, this,
            [this](const QDateTime& time, const QString& domain, const QString& path) {
                Write(time, QStringLiteral("保存 %1 %2").arg(domain, path));
            });
    connect(&service, &ReceiverService::StoreFailed, this,
            [this](const StoreFailure& failure) { Write(QStringLiteral("保存失敗 ") + failure.Text()); });
    connect(&service, &ReceiverService::ListenerFailed, this, [this](int number, const QString& description) {
        Write(QStringLiteral("待ち受けエラー %1:%2").arg(number).arg(description));
    });
    connect(&service, &ReceiverService::AcceptFailed, this,
            [this](const QString& description) { Write(QStringLiteral("接続受付エラー ") + description); });
    connect(&service, &ReceiverService::AcceptRecovered, this,
            [this] { Write(QStringLiteral("接続受付再開")); });
}

void ServiceEventLog::Write(const QString& text)
{
    Write(clock_.LocalNow(), text);
}

void ServiceEventLog::Write(const QDateTime& time, const QString& text)
{
    const QByteArray line =
        ToSystemBytes(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + text) + '\n';
    std::fwrite(line.constData(), 1, line.size(), stream_);
    std::fflush(stream_);
}
