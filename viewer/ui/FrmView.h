#pragma once

#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "ArrivalLogLoader.h"
#include "LogWatch.h"
#include "MessageAttachments.h"
#include "RowMap.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <optional>
#include <memory>

class DefaultApplication;
class Dialogs;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTemporaryDir;
class QTimer;

// The viewer's only window: the arrival list, the clicked message with its
// attachments, the polling period and the forced refresh. The decisions
// live in viewer_core; this class wires them to the widgets.
class FrmView : public QWidget {
    Q_OBJECT
public:
    // programFolder is where the receiver's settings file is looked for;
    // attachments are opened through desktop.
    FrmView(Dialogs& dialogs, DefaultApplication& desktop, QString programFolder, QWidget* parent = nullptr);
    // Removes the copies of attachments that were opened.
    ~FrmView() override;

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
    // TxtMail's context menu: the text box's own entries, "ソースを表示",
    // and the attachments of the clicked message to save or to open, each
    // listed with its name, type and size. The caller owns the menu.
    QMenu* TxtMailMenu();
    void SaveAttachment(const MessageAttachment& attachment);
    void OpenAttachment(const MessageAttachment& attachment);

    const RowMap& Rows() const { return rowMap_; }
    // A long log is listed a slice per event-loop pass; true until the last.
    bool ListLoading() const { return loader_->Loading(); }
    void SetListSliceBytes(qint64 bytes) { loader_->SetSliceBytes(bytes); }
    QString StorageFolderPath() const { return storageFolderPath_; }
    QString LogPath() const { return logPath_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Keeps the window's size and the column widths for the next start.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWidgets();
    void ApplyLayout();
    void ApplyViewerSettings();
    void ShowLogCaption();
    void ScrollMailTo(const QString& text, qsizetype position);
    void AddAttachmentMenu(QMenu& menu, const QString& title, const QList<MessageAttachment>& attachments,
                           void (FrmView::*act)(const MessageAttachment&));
    void StartTimer();
    void StopTimer();
    void SelectWholeColumn(int column);
    void ShowMessage();
    void LayOutGrid();
    void LoadSlice();

    Dialogs& dialogs_;
    DefaultApplication& desktop_;
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
    // The bytes of the message file shown last, kept for switching between
    // the two texts and for its attachments, and which of its messages the
    // clicked row names.
    std::optional<QByteArray> shownMessage_;
    int shownIndex_ = 0;
    // Where attachments are copied to be opened; made when first needed.
    std::unique_ptr<QTemporaryDir> openedCopies_;
    QTimer* TimerRefresh_ = nullptr;
};
