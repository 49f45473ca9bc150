#pragma once

#include <QList>
#include <QSize>
#include <QString>

// What the viewer keeps for its next start, in a settings file of its own
// beside the receiver's (whose file it never writes): the window's size
// and the grid's column widths, in pixels.
struct ViewerSettings {
    // Invalid when none is kept.
    QSize windowSize;
    // Empty when none are kept.
    QList<int> columnWidths;

    friend bool operator==(const ViewerSettings&, const ViewerSettings&) = default;
};

// "Larkglass.ini" in the folder of the receiver's settings file.
QString ViewerSettingsPath(const QString& programFolder);

// A missing file or a value that is not a positive whole number (for the
// widths: a comma-separated list of them) gives nothing for that value.
ViewerSettings LoadViewerSettings(const QString& path);
void SaveViewerSettings(const QString& path, const ViewerSettings& settings);
