#include "ReadableForm.h"

#include "LeftOutLines.h"
#include "MessageFile.h"
#include "ReadableMessage.h"

namespace {

// A message's text after those before it; where it begins.
qsizetype AppendMessage(QString& text, QString message)
{
    if (message.isEmpty()) {
        return text.size();
    }
    qsizetype start = 0;
    if (text.isEmpty()) {
        text = std::move(message);
    } else {
        text += MessageDivider + u'\n';
        start = text.size();
        text += message;
    }
    if (!text.endsWith(u'\n')) {
        text += u'\n';
    }
    // A NUL would end the text early in the widgets that show it.
    for (qsizetype i = text.indexOf(QChar(0), start); i >= 0; i = text.indexOf(QChar(0), i + 1)) {
        text[i] = QChar::ReplacementCharacter;
    }
    return start;
}

} // namespace

ReadableFormRenderer::ReadableFormRenderer(QByteArray file) : file_(std::move(file)) {}

ReadableFormRenderer::~ReadableFormRenderer() = default;

bool ReadableFormRenderer::Step()
{
    if (message_) {
        if (!message_->Step()) {
            FinishMessage();
        }
    } else if (next_ < file_.size()) {
        const StoredMessage stored = NextStoredMessage(file_, next_);
        next_ = stored.next;
        message_ = std::make_unique<MessageRenderer>(Unstuffed(stored));
        if (message_->Done()) {
            FinishMessage();
        }
    }
    return !Done();
}

bool ReadableFormRenderer::Done() const
{
    return !message_ && next_ >= file_.size();
}

QString ReadableFormRenderer::Text() const
{
    QString text = text_;
    if (message_) {
        AppendMessage(text, message_->Text());
    }
    return text;
}

QString ReadableFormRenderer::CutText() const
{
    QString text = Text();
    if (!Done()) {
        if (!text.isEmpty() && !text.endsWith(u'\n')) {
            text += u'\n';
        }
        text += RenderingCutLine() + u'\n';
    }
    return text;
}

void ReadableFormRenderer::FinishMessage()
{
    starts_.append(AppendMessage(text_, message_->TakeText()));
    message_.reset();
}

QString ReadableForm(QByteArrayView file)
{
    ReadableFormRenderer renderer(QByteArray::fromRawData(file.data(), file.size()));
    while (renderer.Step()) {
    }
    return renderer.Text();
}

ReadableFile ReadableFormOfFile(QByteArrayView file)
{
    ReadableFormRenderer renderer(QByteArray::fromRawData(file.data(), file.size()));
    while (renderer.Step()) {
    }
    return {renderer.Text(), renderer.MessageStarts()};
}
