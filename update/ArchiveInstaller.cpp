#include "update/ArchiveInstaller.h"

#include "update/OwnExecutable.h"

#include <QtGui/private/qzipreader_p.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QVector>

#include <zlib.h>

namespace {

// The entry's path relative to the target folder, cleaned; false when it would land
// outside it. An empty result names the target folder itself.
bool relativeTarget(const QString &entryPath, QString &relative)
{
    QString path = entryPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (path.startsWith(QLatin1Char('/')) || drive.match(path).hasMatch())
        return false;
    const QString cleaned = QDir::cleanPath(path);
    if (cleaned == QLatin1String("..") || cleaned.startsWith(QLatin1String("../")))
        return false;
    relative = (cleaned == QLatin1String(".")) ? QString() : cleaned;
    return true;
}

quint32 crc32Of(const QByteArray &data)
{
    return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(data.constData()),
                         uInt(data.size())));
}

quint16 le16(const char *p)
{
    return quint16(uchar(p[0]) | uchar(p[1]) << 8);
}

quint32 le32(const char *p)
{
    return quint32(le16(p)) | quint32(le16(p + 2)) << 16;
}

// The entry names exactly as stored in the central directory, in its order. The zip
// reader hands out names with leading dots and slashes eaten ("../x" becomes "x"),
// which would hide an escaping entry, so the refusal works on these.
bool storedEntryNames(const QString &zipPath, QStringList &names)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 22)
        return false;
    const qint64 tailSize = qMin<qint64>(file.size(), 22 + 0xFFFF);
    file.seek(file.size() - tailSize);
    const QByteArray tail = file.read(tailSize);
    const int end = tail.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > tail.size())
        return false;
    const quint16 count = le16(tail.constData() + end + 10);
    const quint32 size = le32(tail.constData() + end + 12);
    const quint32 offset = le32(tail.constData() + end + 16);
    if (qint64(offset) + size > file.size() || !file.seek(offset))
        return false;
    const QByteArray directory = file.read(size);
    int pos = 0;
    for (int i = 0; i < count; ++i) {
        if (pos + 46 > directory.size() || !directory.mid(pos, 4).startsWith(QByteArray("PK\x01\x02", 4)))
            return false;
        const char *header = directory.constData() + pos;
        const int nameLength = le16(header + 28);
        const int next = pos + 46 + nameLength + le16(header + 30) + le16(header + 32);
        if (next > directory.size())
            return false;
        const QByteArray name = directory.mid(pos + 46, nameLength);
        names << ((le16(header + 8) & 0x0800) ? QString::fromUtf8(name) : QString::fromLocal8Bit(name));
        pos = next;
    }
    return true;
}

struct StagedFile
{
    QString relative;
    QString staged;
};

// The moves over the installation, remembered so that a failure halfway can put
// every file back where it was.
class Installation
{
public:
    Installation(const QString &targetDir, const QString &backupDir)
        : m_target(targetDir), m_backupDir(backupDir)
    {
    }

    bool makeFolders(const QString &relative)
    {
        QString sofar;
        for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            sofar = sofar.isEmpty() ? part : sofar + QLatin1Char('/') + part;
            const QString absolute = m_target.filePath(sofar);
            const QFileInfo info(absolute);
            if (info.isDir())
                continue;
            if (info.exists() || info.isSymLink() || !m_target.mkdir(sofar)) {
                qDebug() << "Failed to create directory: " << absolute;
                return false;
            }
            m_createdFolders << absolute;
        }
        return true;
    }

    bool replace(const StagedFile &file)
    {
        const QString target = m_target.filePath(file.relative);
        const QFileInfo info(target);
        QString backup;
        if (info.exists() || info.isSymLink()) {
            if (info.isDir() && !info.isSymLink()) {
                qDebug() << "Archive entry cannot be written, a folder is in its place:" << target;
                return false;
            }
            backup = m_backupDir + QLatin1Char('/') + file.relative;
            if (!QDir().mkpath(QFileInfo(backup).absolutePath()) || !QFile::rename(target, backup)) {
                qDebug() << "Archive entry cannot be written:" << target;
                return false;
            }
        }
        if (!QFile::rename(file.staged, target)) {
            qDebug() << "Archive entry cannot be written:" << target;
            if (!backup.isEmpty())
                QFile::rename(backup, target);
            return false;
        }
        m_moves.append({target, backup});
        return true;
    }

    // False when an old file could not be put back; its copy is then still in the backup folder.
    bool rollBack()
    {
        bool restored = true;
        for (int i = m_moves.size() - 1; i >= 0; --i) {
            QFile::remove(m_moves[i].first);
            if (!m_moves[i].second.isEmpty() && !QFile::rename(m_moves[i].second, m_moves[i].first)) {
                qDebug() << "Could not restore" << m_moves[i].first << "from" << m_moves[i].second;
                restored = false;
            }
        }
        for (int i = m_createdFolders.size() - 1; i >= 0; --i)
            QDir().rmdir(m_createdFolders[i]);
        m_moves.clear();
        m_createdFolders.clear();
        return restored;
    }

private:
    QDir m_target;
    QString m_backupDir;
    QStringList m_createdFolders;
    QVector<QPair<QString, QString>> m_moves;
};

bool writeStaged(const QString &path, const QByteArray &data, QFile::Permissions permissions)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(data) == data.size() && file.flush();
    file.close();
    if (written && permissions)
        file.setPermissions(permissions | QFile::ReadOwner | QFile::WriteOwner);
    return written;
}

} // namespace

bool unzipFile(const QString &zipPath, const QString &targetDir)
{
    if (zipPath.isEmpty()) {
        qDebug() << "压缩文件路径为空" << zipPath;
        return false;
    }
    if (!QFileInfo::exists(zipPath)) {
        qDebug() << "压缩文件不存在" << zipPath;
        return false;
    }

    QZipReader reader(zipPath, QIODevice::ReadOnly);
    const QVector<QZipReader::FileInfo> entries = reader.fileInfoList();
    QStringList storedNames;
    if (!reader.isReadable() || reader.status() != QZipReader::NoError || entries.isEmpty()
        || !storedEntryNames(zipPath, storedNames) || storedNames.size() != entries.size()) {
        qDebug() << "Archive cannot be read or holds nothing:" << zipPath;
        return false;
    }

    // The staging folder lies inside the target so that the final moves are renames
    // on one file system; it goes, backups of the replaced files included, on return.
    QTemporaryDir staging(QDir(targetDir).filePath(QStringLiteral(".update-staging-XXXXXX")));
    if (!staging.isValid()) {
        qDebug() << "Failed to create directory: " << staging.path();
        return false;
    }
    const QString stagedRoot = staging.filePath(QStringLiteral("new"));

    QStringList folders;
    QVector<StagedFile> files;
    QSet<QString> seen;
    for (int i = 0; i < entries.size(); ++i) {
        const QZipReader::FileInfo &entry = entries.at(i);
        const QString &storedName = storedNames.at(i);
        QString relative;
        if (!relativeTarget(storedName, relative)) {
            qDebug() << "Archive entry lies outside the program folder, refused:" << storedName;
            return false;
        }
        if (relative.isEmpty())
            continue;
        if (entry.isSymLink) {
            qDebug() << "Archive entry is a symbolic link, skipped:" << entry.filePath;
            continue;
        }
        if (entry.isDir) {
            folders << relative;
            continue;
        }
        const QByteArray data = reader.fileData(storedName);
        if (data.size() != entry.size || crc32Of(data) != entry.crc) {
            qDebug() << "Archive entry is damaged:" << entry.filePath;
            return false;
        }
        const QString staged = stagedRoot + QLatin1Char('/') + relative;
        if (!writeStaged(staged, data, entry.permissions)) {
            qDebug() << "Archive entry cannot be written:" << staged;
            return false;
        }
        if (!seen.contains(relative)) {
            seen.insert(relative);
            files.append({relative, staged});
        }
    }
    reader.close();

    Installation installation(targetDir, staging.filePath(QStringLiteral("old")));
    const auto fail = [&] {
        if (!installation.rollBack())
            staging.setAutoRemove(false);
        return false;
    };
    for (const QString &folder : folders) {
        if (!installation.makeFolders(folder))
            return fail();
    }
    for (const StagedFile &file : files) {
        const QString target = QDir(targetDir).filePath(file.relative);
        if (isLockedOwnExecutable(target)) {
            qDebug() << "Archive entry is the running updater, skipped:" << target;
            continue;
        }
        const int slash = file.relative.lastIndexOf(QLatin1Char('/'));
        if ((slash > 0 && !installation.makeFolders(file.relative.left(slash))) || !installation.replace(file))
            return fail();
    }
    return true;
}
