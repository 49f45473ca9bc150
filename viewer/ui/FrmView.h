#pragma once

#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "ArrivalLogLoader.h"
#include "LogWatch.h"
#include "RowMap.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <optional>
#include <memory>

class Dialogs;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;

// The viewer's only window: the arrival list, the clicked message, the
// polling period and the forced refresh. The decisions live in viewer_core;
// this class wires them to the widgets.
class FrmView : public QWidget {
    Q_OBJECT
public:
    // programFolder is where the receiver's settings file is looked for.
    FrmView(Dialogs& dialogs, QString programFolder, QWidget* parent = nullptr);

    // Start-up. False when there is no settings file or it names no storage
    // folder: the box has been shown and the window must not be shown; the
    // program ends.
    bool Load();

    // The window's procedures and handlers, public so that tests and the
    // benchmark can run one step without waiting for a real event.
    bool LocateLog();
    void ResetGrid();
    void LoadLogList();
    void UpdateLogList();
    void ApplyInterval();
    void TimerRefresh_Timer();
    void btnrefresh_Click();
    void FGList_Click(const QModelIndex& index);
    // TxtMail's context menu: the text box's own entries and "ソースを表示".
    // The caller owns the menu.
    QMenu* TxtMailMenu();

    const RowMap& Rows() const { return rowMap_; }
    // A long log is listed a slice per event-loop pass; true until the last.
    bool ListLoading() const { return loader_->Loading(); }
    void SetListSliceBytes(qint64 bytes) { loader_->SetSliceBytes(bytes); }
    QString StorageFolderPath() const { return storageFolderPath_; }
    QString LogPath() const { return logPath_; }

private:
    void BuildWidgets();
    void StartTimer();
    void StopTimer();
    void SelectWholeColumn(int column);
    void ShowMessage();
    void LayOutGrid();
    void LoadSlice();

    Dialogs& dialogs_;
    QString programFolder_;
    QString storageFolderPath_;
    QString logPath_;
    LogWatch logWatch_;
    // The log's rows, held once; the grid's model and the row map view it.
    ArrivalLog log_;
    RowMap rowMap_{log_};
    // Whether the timer was started; it fires only with a period above 0.
    bool timerEnabled_ = false;

    ArrivalListModel* model_ = nullptr;
    std::unique_ptr<ArrivalLogLoader> loader_;
    // Set by the polling step and the button: the stamp is recorded when
    // their load has read the log to its end (start-up records none).
    bool recordWhenLoaded_ = false;
    QTimer* nextSlice_ = nullptr;
    QLabel* LogList_ = nullptr;
    QTableView* FGList_ = nullptr;
    QPushButton* btnrefresh_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLineEdit* TxtInterval_ = nullptr;
    QLabel* Label2_ = nullptr;
    QPlainTextEdit* TxtMail_ = nullptr;
    // Checked: TxtMail shows the stored text instead of the readable form.
    QAction* showSource_ = nullptr;
    // The bytes of the message shown last, kept for switching between the two texts.
    std::optional<QByteArray> shownMessage_;
    QTimer* TimerRefresh_ = nullptr;
};
