#include "QtDefaultApplication.h"

#include <QDesktopServices>
#include <QUrl>

bool QtDefaultApplication::OpenFile(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
