#include "FrmMsg.h"

#include "JapaneseFont.h"
#include "Twips.h"

#include <QPlainTextEdit>
#include <QPushButton>

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
    // Set once the text box has its size: text set before the first resize
    // would make the box lay out every line of it again on that resize,
    // which for a long message costs many megabytes and a long pause.
    if (!text_.isNull()) {
        txtMsg_->setPlainText(text_);
        text_ = QString();
    }
}
