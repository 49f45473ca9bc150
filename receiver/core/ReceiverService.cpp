#include "ReceiverService.h"

#include "ControlValues.h"
#include "MailStore.h"
#include "PlatformHelpers.h"
#include "SessionEngine.h"

#include <QCoreApplication>

namespace {

const QString StartRefusedText = QStringLiteral("ポートNo.もしくはフォルダー指定が不適切です。スタートできません。");

QString UnwritableFolderText(const QString& folder, const QString& reason)
{
    return QStringLiteral("保管フォルダー「%1」に書き込めません。(%2)").arg(folder, reason);
}

} // namespace

ReceiverService::ReceiverService(const Environment& environment, QObject* parent)
    : QObject(parent), env_(environment)
{
    store_ = std::make_unique<MailStore>(env_.controls, files_, env_.clock, relay_, env_.programBaseName);
    store_->OnFailure([this](const QString& text) { emit StoreFailed(text); });
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
        return {false, StartRefusedText};
    }
    // A folder that refuses new files would turn every message away later.
    const QString problem = env_.folderProbe.WriteProblem(folder);
    if (!problem.isEmpty()) {
        return {false, UnwritableFolderText(folder, problem)};
    }
    store_->RemoveSpoolLeftovers();
    const ListenResult result = engine_->StartListening();
    if (!result.ok) {
        return {false, result.reason};
    }
    emit Listening(engine_->WsckListen().LocalPort(), folder);
    return {true, {}};
}

void ReceiverService::Stop()
{
    engine_->WsckListen_Close();
    QCoreApplication::processEvents();
    engine_->CloseAllSessions();
    store_->CloseFiles();
    emit Stopped();
}
