#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event thread: the
// handler only writes one byte into a socket pair, which the event loop
// then reads. One instance per program.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void StopRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};
