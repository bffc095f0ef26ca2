#include "update/SelfUpdate.h"

#include "settings/ConfigFile.h"
#include "settings/ProgramFolder.h"
#include "update/ArchiveDigest.h"
#include "update/ArchiveInstaller.h"

#include <QDebug>
#include <QProcess>

namespace SelfUpdate {

Outcome verifyAndInstall(const QString &zipPath, const QString &md5Code, const QString &programDir)
{
    const QString digest = fileMd5Hex(zipPath);
    qDebug() << digest << " m_strMd5Code=" << md5Code;
    // An unreadable archive gives no digest; it must not pass for an empty md5Code.
    if (digest.isEmpty() || digest != md5Code)
        return Outcome::DigestMismatch;
    qDebug() << "md5 相同,解压文件";
    if (!unzipFile(zipPath, programDir)) {
        qDebug() << "更新失败";
        return Outcome::UnpackFailed;
    }
    qDebug() << "更新成功,关闭软件";
    return Outcome::Installed;
}

bool recordVersion(const AppConfig &config)
{
    return ConfigFile::write(ConfigFile::defaultPath(), config);
}

bool restartTool()
{
    const QString program = ProgramFolder::path() + QLatin1Char('/') + ProgramFolder::executableName(QStringLiteral("kestrelup"));
    const bool started = QProcess::startDetached(program, QStringList(), ProgramFolder::path());
    if (!started)
        qDebug() << "Could not start" << program;
    return started;
}

} // namespace SelfUpdate
