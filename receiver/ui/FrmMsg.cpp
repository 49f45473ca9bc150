#include "FrmMsg.h"

#include "JapaneseFont.h"
#include "Twips.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

FrmMsg::FrmMsg(const QString& caption, const QString& text)
    : text_(text), txtMsg_(new QPlainTextEdit(this)), cmdEnd_(new QPushButton(QStringLiteral("閉 じ る"), this))
{
    setObjectName(QStringLiteral("FrmMsg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(TwipsRect(0, 0, 7245, 5385).size());

    txtMsg_->setObjectName(QStringLiteral("TxtMsg"));
    txtMsg_->setGeometry(TwipsRect(120, 120, 6975, 4695));
    txtMsg_->setFont(JapaneseFont(9.75));
    txtMsg_->setReadOnly(true);
    txtMsg_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtMsg_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtMsg_->setUndoRedoEnabled(false);

    cmdEnd_->setObjectName(QStringLiteral("CmdEnd"));
    cmdEnd_->setGeometry(TwipsRect(5520, 4920, 1575, 375));
    connect(cmdEnd_, &QPushButton::clicked, this, &QWidget::close);

    setTabOrder(txtMsg_, cmdEnd_);
}

void FrmMsg::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first piece once the text box has its size: text set before the
    // first resize would make the box lay out every line of it again on
    // that resize.
    if (!shown_) {
        shown_ = true;
        FillStep();
    }
}

bool FrmMsg::FillStep()
{
    if (filled_ == text_.size()) {
        return false;
    }
    qsizetype end = filled_;
    for (qsizetype lines = 0; lines < FillLines && end < text_.size() && end - filled_ < FillChars; ++lines) {
        const qsizetype lineEnd = text_.indexOf(QLatin1Char('\n'), end);
        end = lineEnd < 0 ? text_.size() : lineEnd + 1;
    }
    QTextCursor cursor(txtMsg_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringView(text_).sliced(filled_, end - filled_).toString());
    filled_ = end;
    if (filled_ < text_.size()) {
        return true;
    }
    text_ = QString();
    filled_ = 0;
    return false;
}
