#include "ViewerSettings.h"

#include "LogLocation.h"
#include "PathJoin.h"
#include "PrivateProfile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Section = QStringLiteral("Larkglass");
const QString Width = QStringLiteral("WIDTH");
const QString Height = QStringLiteral("HEIGHT");
const QString Columns = QStringLiteral("COLUMNS");

int PositiveNumber(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number > 0 ? number : 0;
}

} // namespace

QString ViewerSettingsPath(const QString& programFolder)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(SettingsFilePath(programFolder)).path());
    return JoinPath(folder, QStringLiteral("Larkglass.ini"));
}

ViewerSettings LoadViewerSettings(const QString& path)
{
    const QStringList values = GetIniStrings(path, Section, {{Width, {}}, {Height, {}}, {Columns, {}}});
    ViewerSettings settings;
    const QSize size(PositiveNumber(values[0]), PositiveNumber(values[1]));
    if (!size.isEmpty()) {
        settings.windowSize = size;
    }
    for (const QString& width : values[2].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (PositiveNumber(width) == 0) {
            return {settings.windowSize, {}};
        }
        settings.columnWidths.append(PositiveNumber(width));
    }
    return settings;
}

void SaveViewerSettings(const QString& path, const ViewerSettings& settings)
{
    QStringList widths;
    for (const int width : settings.columnWidths) {
        widths.append(QString::number(width));
    }
    PutIniStrings(path, Section,
                  {{Width, QString::number(settings.windowSize.width())},
                   {Height, QString::number(settings.windowSize.height())},
                   {Columns, widths.join(QLatin1Char(','))}});
}
