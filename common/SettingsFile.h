#pragma once

#include "SharedNames.h"

#include <QString>

// The receiver's settings file, read by both programs and written by the
// receiver.

// The five values of the control window that are kept in the file.
struct ReceiverSettings {
    QString port = QString(SettingsNames::DefaultPort);
    QString folder;
    QString wavFile;
    int dialog = SwitchOff; // 0 off, 1 on, 2 grayed
    int sound = SwitchOff;  // 0 off, 1 on, 2 grayed

    friend bool operator==(const ReceiverSettings&, const ReceiverSettings&) = default;
};

// programFolder + native separator + programBaseName + ".ini", used as built:
// a folder that ends in a separator gives a doubled one.
QString SettingsPath(const QString& programFolder, const QString& programBaseName);
// The settings file of the running program, beside it or in the user's
// configuration folder (SettingsLocation.h).
QString SettingsPath();

// A stored switch text as a check-box value: "1" on, "2" grayed, any other
// text (empty, not a number, another number) off. Leading zeros and a plus
// sign are accepted as the decimal conversion does ("01" is on).
int SwitchFromText(const QString& text);

// The sound switch rule (ChkSound Click, TxtWAVFile Change, and the load):
// the sound switch may stay as it is only while a WAV path is given; an
// empty path turns it off.
bool SoundSwitchAllowed(const QString& wavText);
int SoundSwitchAfterRule(const QString& wavText, int sound);
void ApplySoundSwitchRule(ReceiverSettings& settings);

// Reads PORT, FOLDER, WAVFILE, DIALOG, SOUND in that order and applies the
// sound switch rule. A missing file, section or key gives its default;
// loading never creates the file.
ReceiverSettings LoadSettings(const QString& path);

// Writes PORT, FOLDER, WAVFILE, DIALOG, SOUND in that order, the texts
// verbatim and the switches as decimal text. Failures are not reported.
void SaveSettings(const QString& path, const ReceiverSettings& settings);
