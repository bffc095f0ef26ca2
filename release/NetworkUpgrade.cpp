#include "release/NetworkUpgrade.h"

#include "release/downloadThread.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>

quint64 NetworkUpgrade::lookupStarted(const QString &entry)
{
    m_lookupEntry = entry;
    return ++m_lookup;
}

bool NetworkUpgrade::acceptsLookup(quint64 ticket, const QString &selectedEntry) const
{
    return ticket == m_lookup && selectedEntry == m_lookupEntry;
}

bool NetworkUpgrade::isSafeName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}

bool NetworkUpgrade::matchesDigest(const QString &path, const QString &md5)
{
    if (md5.isEmpty())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file))
        return false;
    return QString::fromLatin1(hash.result().toHex()).compare(md5.trimmed(), Qt::CaseInsensitive) == 0;
}

NetworkUpgrade::Plan NetworkUpgrade::plan(const ReleaseInfo &release, const QString &deviceName,
                                          const QString &downloadRoot) const
{
    Plan plan;
    if (!isSafeName(deviceName) || !isSafeName(release.fileName)) {
        qDebug() << "Refused package name: " << deviceName << release.fileName;
        return plan;
    }
    const QString folder = downloadRoot + QLatin1Char('/') + deviceName;
    if (QDir().exists(folder))
        qDebug() << "Directory already exists: " << folder;
    else if (QDir().mkpath(folder))
        qDebug() << "Directory created successfully: " << folder;
    else
        qDebug() << "Failed to create directory: " << folder;

    plan.path = folder + QLatin1Char('/') + release.fileName;
    if (QFile::exists(plan.path)) {
        qDebug() << "File exists: " << plan.path;
        if (matchesDigest(plan.path, release.md5Code)) {
            plan.step = Step::FlashCached;
            return plan;
        }
        qDebug() << "Cached package does not match its digest: " << plan.path;
        QFile::remove(plan.path);
    } else {
        qDebug() << "File does not exist: " << plan.path;
    }
    plan.step = Step::Download;
    return plan;
}

void NetworkUpgrade::downloadStarted(const QString &entry, const QString &md5)
{
    m_downloading = true;
    m_downloadEntry = entry;
    m_downloadMd5 = md5;
    m_lastPercent = -1;
}

NetworkUpgrade::Outcome NetworkUpgrade::downloadEnded(const QString &message, const QString &path,
                                                      const QString &selectedEntry)
{
    m_downloading = false;
    if (downloadThread::isFailure(message))
        return Outcome::Failed;
    if (!matchesDigest(path, m_downloadMd5)) {
        QFile::remove(path);
        return Outcome::Damaged;
    }
    if (selectedEntry != m_downloadEntry)
        return Outcome::OtherDevice;
    return Outcome::Flash;
}

bool NetworkUpgrade::progressChanged(int percent)
{
    if (percent == m_lastPercent)
        return false;
    m_lastPercent = percent;
    return true;
}
