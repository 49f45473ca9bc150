#pragma once

#include <QLatin1String>
#include <QString>

// The names both programs share through their files, spelled once: the
// receiver writes them, the viewer, the tests and the tools read them.

// The receiver's program name. Its settings file and its arrival log are
// named after the program file, so a renamed receiver uses other names,
// while the viewer always looks for these.
inline constexpr QLatin1String ReceiverProgramName{"Larkspur"};

// "<program base name>.ini" beside the program.
inline QString SettingsFileName(const QString& programBaseName = ReceiverProgramName)
{
    return programBaseName + QLatin1String(".ini");
}

// "<program base name>.log" in the storage folder.
inline QString ArrivalLogName(const QString& programBaseName = ReceiverProgramName)
{
    return programBaseName + QLatin1String(".log");
}

// The settings file's section and keys, and the value each key has when
// the file does not give one.
namespace SettingsNames {
inline constexpr QLatin1String Section{"SMTP"};

inline constexpr QLatin1String Port{"PORT"};
inline constexpr QLatin1String Folder{"FOLDER"};
inline constexpr QLatin1String WavFile{"WAVFILE"};
inline constexpr QLatin1String Dialog{"DIALOG"};
inline constexpr QLatin1String Sound{"SOUND"};

inline constexpr QLatin1String DefaultPort{"25"};
inline constexpr QLatin1String DefaultFolder{""};
inline constexpr QLatin1String DefaultWavFile{""};
inline constexpr QLatin1String DefaultDialog{"0"};
inline constexpr QLatin1String DefaultSound{"0"};
} // namespace SettingsNames

// The notification switches as the control window holds them and the
// settings file stores them.
enum SwitchValue : int { SwitchOff = 0, SwitchOn = 1, SwitchGrayed = 2 };
