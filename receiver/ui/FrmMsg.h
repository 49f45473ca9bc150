#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The arrival pop-up: one window per message, captioned with the sender
// domain, showing the message's text. The text goes into the text box a
// piece at a time, the first when the window is first shown and the others
// by FillStep, so that a long text never holds up the event loop for long.
class FrmMsg : public QWidget {
    Q_OBJECT
public:
    // A piece of the text: this many lines, or fewer once it holds FillChars.
    static constexpr qsizetype FillLines = 1000;
    static constexpr qsizetype FillChars = 64 * 1024;

    FrmMsg(const QString& caption, const QString& text);

    // Adds the next piece of the text to the text box; false once it holds
    // the whole text.
    bool FillStep();
    bool Filled() const { return filled_ == text_.size(); }

    QPlainTextEdit* TxtMsg() const { return txtMsg_; }
    QPushButton* CmdEnd() const { return cmdEnd_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString text_;      // until the text box holds all of it
    qsizetype filled_ = 0; // how much of it it holds
    bool shown_ = false;
    QPlainTextEdit* txtMsg_;
    QPushButton* cmdEnd_;
};
