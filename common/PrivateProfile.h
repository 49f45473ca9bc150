#pragma once

#include <QList>
#include <QString>

#include <utility>

// One value of a private-profile (INI) settings file. A read goes through a
// 512-byte buffer: at most 511 bytes of the encoded value, cut at a
// character boundary; a missing file, section or key gives the default.
QString GetIniString(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue);

// Several values of one section from a single reading of the file, in the
// order asked, each as GetIniString would give it. Pairs: key, default.
QStringList GetIniStrings(const QString& file, const QString& section,
                          const QList<std::pair<QString, QString>>& keysAndDefaults);

// Writes one value in place (or appends it to its section, or the section to
// the file); every other line is kept byte for byte. The file is replaced
// through a temporary file and a rename. Failures are not reported.
void PutIniString(const QString& file, const QString& section, const QString& key, const QString& value);

// Several values of one section, each as PutIniString would write it, in
// one reading and one replacement of the file. Pairs: key, value.
void PutIniStrings(const QString& file, const QString& section,
                   const QList<std::pair<QString, QString>>& keysAndValues);
