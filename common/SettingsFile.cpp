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
    ReceiverSettings settings;
    settings.port = GetIniString(path, Section, Port, DefaultPort);
    settings.folder = GetIniString(path, Section, Folder, DefaultFolder);
    settings.wavFile = GetIniString(path, Section, WavFile, DefaultWavFile);
    settings.dialog = SwitchFromText(GetIniString(path, Section, Dialog, DefaultDialog));
    settings.sound = SwitchFromText(GetIniString(path, Section, Sound, DefaultSound));
    // The WAV path is already in place, so the switch is on only with a path.
    ApplySoundSwitchRule(settings);
    return settings;
}

void SaveSettings(const QString& path, const ReceiverSettings& settings)
{
    using namespace SettingsNames;
    // The user's configuration folder may not exist yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    PutIniString(path, Section, Port, settings.port);
    PutIniString(path, Section, Folder, settings.folder);
    PutIniString(path, Section, WavFile, settings.wavFile);
    PutIniString(path, Section, Dialog, QString::number(settings.dialog));
    PutIniString(path, Section, Sound, QString::number(settings.sound));
}
