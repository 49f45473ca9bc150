#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The arrival pop-up: one window per message, captioned with the sender
// domain, showing the message's text from when it is first shown.
class FrmMsg : public QWidget {
    Q_OBJECT
public:
    FrmMsg(const QString& caption, const QString& text);

    QPlainTextEdit* TxtMsg() const { return txtMsg_; }
    QPushButton* CmdEnd() const { return cmdEnd_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString text_; // until the pop-up is first shown
    QPlainTextEdit* txtMsg_;
    QPushButton* cmdEnd_;
};
