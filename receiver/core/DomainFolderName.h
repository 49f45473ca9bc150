#pragma once

#include <QString>

// The sender's domain as one folder name inside the storage folder, never a
// path: characters that cannot stand in a folder name on Linux or Windows
// become "_", a name of dots only gets "_" for each dot, and a name too long
// for the file system is cut at a character boundary. A valid domain passes
// unchanged, letter case included. A name equal to the arrival log's file
// name or to the spool folder's name gets "_" appended, so the folder never
// collides with either.
QString DomainFolderName(const QString& domain, const QString& arrivalLogName,
                         const QString& spoolFolderName = {});
