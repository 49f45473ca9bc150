#pragma once

#include <QString>
#include <QStringView>

// The two grid cells of one arrival-log line. A line is the message
// file's full path: storage folder, separator, domain, separator, name.

// The part after the line's last native separator (the whole line when it
// holds none).
QStringView FileNameOf(QStringView line);

// Date and time from fixed positions of the file name, each field padded
// with blanks to its width: always twenty characters, "yyyy/mm/dd/ hh:mm:ss".
// The fields are not checked to be digits.
QString DateTimeText(QStringView fileName);

// Everything between the storage folder plus one separator and the line's
// last separator. Only the folder's length counts, not its text; a line
// whose last separator stands before that gives an empty domain.
QStringView DomainText(QStringView line, qsizetype storageFolderLength);
