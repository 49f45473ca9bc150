#include "SettingsFile.h"

#include "PathJoin.h"
#include "PrivateProfile.h"
#include "SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

QString SettingsPath(const QString& programFolder, const QString& programBaseName)
{
    return JoinPath(programFolder, SettingsFileName(programBaseName));
}

QString SettingsPath()
{
    return SettingsFileLocation(ProgramFolder(), ProgramBaseName() + QLatin1String(".ini"));
}

int SwitchFromText(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok && (value == SwitchOn || value == SwitchGrayed)) {
        return value;
    }
    return SwitchOff;
}

bool SoundSwitchAllowed(const QString& wavText)
{
    return !wavText.isEmpty();
}

int SoundSwitchAfterRule(const QString& wavText, int sound)
{
    return SoundSwitchAllowed(wavText) ? sound : int(SwitchOff);
}

void ApplySoundSwitchRule(ReceiverSettings& settings)
{
    settings.sound = SoundSwitchAfterRule(settings.wavFile, settings.sound);
}

ReceiverSettings LoadSettings(const QString& path)
{
    using namespace SettingsNames;
    // One reading of the file for all five values.
    const QStringList values = GetIniStrings(path, Section,
                                             {{Port, DefaultPort},
                                              {Folder, DefaultFolder},
                                              {WavFile, DefaultWavFile},
                                              {Dialog, DefaultDialog},
                                              {Sound, DefaultSound}});
    ReceiverSettings settings;
    settings.port = values[0];
    settings.folder = values[1];
    settings.wavFile = values[2];
    settings.dialog = SwitchFromText(values[3]);
    settings.sound = SwitchFromText(values[4]);
    // The WAV path is already in place, so the switch is on only with a path.
    ApplySoundSwitchRule(settings);
    return settings;
}

void SaveSettings(const QString& path, const ReceiverSettings& settings)
{
    using namespace SettingsNames;
    // The user's configuration folder may not exist yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    PutIniStrings(path, Section,
                  {{Port, settings.port},
                   {Folder, settings.folder},
                   {WavFile, settings.wavFile},
                   {Dialog, QString::number(settings.dialog)},
                   {Sound, QString::number(settings.sound)}});
}
