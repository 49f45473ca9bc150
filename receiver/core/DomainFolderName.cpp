#include "DomainFolderName.h"

#include "SystemText.h"

namespace {

// Linux allows 255 bytes in a name, Windows 255 UTF-16 units.
constexpr qsizetype MaxNameBytes = 255;
constexpr qsizetype MaxNameUnits = 255;

bool UnsafeInFolderName(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
}

void ChopCharacter(QString& name)
{
    name.chop(1);
    if (!name.isEmpty() && name.back().isHighSurrogate()) {
        name.chop(1);
    }
}

} // namespace

QString DomainFolderName(const QString& domain, const QString& arrivalLogName, const QString& spoolFolderName)
{
    QString name;
    name.reserve(domain.size());
    for (const QChar c : domain) {
        name.append(UnsafeInFolderName(c) ? QChar(u'_') : c);
    }
    while (name.size() > MaxNameUnits) {
        ChopCharacter(name);
    }
    while (ToSystemBytes(name).size() > MaxNameBytes) {
        ChopCharacter(name);
    }
    if (!name.isEmpty() && name.count(u'.') == name.size()) {
        name.fill(u'_');
    }
    if (name == arrivalLogName || (!spoolFolderName.isEmpty() && name == spoolFolderName)) {
        name.append(u'_');
    }
    return name;
}
