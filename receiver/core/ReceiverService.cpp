#include "ReceiverService.h"

#include "ControlValues.h"
#include "PlatformHelpers.h"
#include "SessionEngine.h"

#include <QCoreApplication>

namespace {

const QString StartRefusedText = QStringLiteral("ポートNo.もしくはフォルダー指定が不適切です。スタートできません。");

QString UnwritableFolderText(const QString& folder, const QString& reason)
{
    return QStringLiteral("保管フォルダー「%1」に書き込めません。(%2)").arg(folder, reason);
}

QString FolderInUseText(const QString& folder)
{
    return QStringLiteral("保管フォルダー「%1」はほかの Larkspur が使っています。"
                          "一つの保管フォルダーには一つの Larkspur しか動かせません。")
        .arg(folder);
}

} // namespace

ReceiverService::ReceiverService(const Environment& environment, QObject* parent)
    : QObject(parent), env_(environment)
{
    store_ = std::make_unique<MailStore>(env_.controls, files_, env_.clock, env_.programBaseName);
    store_->OnFailure([this](const StoreFailure& failure) { emit StoreFailed(failure); });
    store_->OnStored([this](const QDateTime& time, const QString& domain, const QString& path) {
        emit MessageStored(time, domain, path);
    });
    engine_ = std::make_unique<SessionEngine>(env_.controls, *store_, env_.dialogs);
    connect(engine_.get(), &SessionEngine::ListenerFailed, this, &ReceiverService::ListenerFailed);
    StreamSocket& listener = engine_->WsckListen();
    connect(&listener, &StreamSocket::AcceptFailed, this, &ReceiverService::AcceptFailed);
    connect(&listener, &StreamSocket::AcceptRecovered, this, &ReceiverService::AcceptRecovered);
}

ReceiverService::~ReceiverService()
{
    engine_.reset();
}

const FolderProbe& ReceiverService::DefaultFolderProbe()
{
    static const FolderProbe probe;
    return probe;
}

StartResult ReceiverService::Start()
{
    const QString port = env_.controls.PortText();
    const QString folder = env_.controls.FolderText();
    if (port.isEmpty() || !FolderPresent(files_, folder)) {
        return {StartResult::Refused, StartRefusedText};
    }
    // The lock comes first: a folder another receiver holds is left as it is.
    QString problem;
    const StorageLock::Outcome lock = store_->LockFolder(&problem);
    if (lock == StorageLock::Outcome::HeldElsewhere) {
        return {StartResult::FolderInUse, FolderInUseText(folder)};
    }
    // A folder that refuses new files would turn every message away later.
    if (lock == StorageLock::Outcome::Taken) {
        problem = env_.folderProbe.WriteProblem(folder);
    }
    if (!problem.isEmpty()) {
        store_->ReleaseFolder();
        return {StartResult::Refused, UnwritableFolderText(folder, problem)};
    }
    const ListenResult result = engine_->StartListening();
    if (!result.ok) {
        store_->ReleaseFolder();
        return {StartResult::Refused, result.reason};
    }
    emit Listening(engine_->WsckListen().LocalPort(), folder);
    return {StartResult::Started, {}};
}

void ReceiverService::Stop()
{
    engine_->WsckListen_Close();
    QCoreApplication::processEvents();
    engine_->CloseAllSessions();
    store_->ReleaseFolder();
    emit Stopped();
}
