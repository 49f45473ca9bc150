#include "QtDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTextStream>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget* AsWidget(QObject* owner)
{
    return qobject_cast<QWidget*>(owner);
}

// On a platform without a screen nobody could answer a box: the text goes
// to the error stream instead and the box counts as answered.
bool NobodyToAsk()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen") ||
           QGuiApplication::platformName() == QLatin1String("minimal");
}

void Print(const QString& text, const QString& title)
{
    QTextStream(stderr) << title << ": " << text << Qt::endl;
}

} // namespace

MessageAnswer QtDialogs::ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                                     MessageButtons buttons)
{
    if (NobodyToAsk()) {
        Print(text, title);
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    QMessageBox box(ToQtIcon(icon), title, text,
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                     : QMessageBox::Ok);
    const int pressed = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void QtDialogs::ShowNotice(const QString& text, const QString& title, MessageIcon icon)
{
    if (NobodyToAsk()) {
        Print(text, title);
        return;
    }
    auto* box = new QMessageBox(ToQtIcon(icon), title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QString QtDialogs::ChooseFolder(QObject* owner, const QString& title, const QString& startFolder)
{
    if (NobodyToAsk()) {
        return {};
    }
    QFileDialog dialog(AsWidget(owner), title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString QtDialogs::ChooseFile(QObject* owner, const QString& title, const QString& start,
                              const QStringList& filters)
{
    if (NobodyToAsk()) {
        return {};
    }
    QFileDialog dialog(AsWidget(owner), title, start);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString QtDialogs::ChooseSaveFile(QObject* owner, const QString& title, const QString& proposedPath)
{
    if (NobodyToAsk()) {
        return {};
    }
    const QFileInfo proposed(proposedPath);
    QFileDialog dialog(AsWidget(owner), title, proposed.path());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
