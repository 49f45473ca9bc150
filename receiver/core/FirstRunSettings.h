#pragma once

#include "SettingsFile.h"

// The settings a receiver starts with when there is no settings file yet: a
// port that needs no privileges and the storage folder ~/LarkspurMail,
// pop-up and sound off.
ReceiverSettings FirstRunSettings();

struct StartingSettings {
    enum Origin {
        Read,     // the settings file exists; keys it lacks have their defaults
        Created,  // first run: the file was written
        NotSaved, // first run: the file could not be written
    };
    ReceiverSettings settings;
    Origin origin = Read;
};

// The settings file's values when the file exists. Otherwise `firstRun`,
// written to a new settings file, with its storage folder created, so that
// a first start listens at once.
StartingSettings ReadOrCreateSettings(const QString& path, const ReceiverSettings& firstRun = FirstRunSettings());
