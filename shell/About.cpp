#include "shell/About.h"

#include "base/ProgramFolder.h"
#include "shell/MainWindowTexts.h"

#include <QDir>
#include <QSettings>

namespace about {

QString title() { return kProgramVersionCaption + QString::number(kProgramVersion, 'f', 2); }

QString detail()
{
    // The settings store as the link keeps it (the registry on Windows, an INI file here).
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillster"),
                             QStringLiteral("CON"));
    return QStringList{kAboutProgramFolder.arg(QDir::toNativeSeparators(programfolder::path())),
                       kAboutDataFolder.arg(QDir::toNativeSeparators(programfolder::filesPath())),
                       kAboutSettingsFile.arg(QDir::toNativeSeparators(settings.fileName()))}
        .join(u'\n');
}

} // namespace about
