#include "ZipFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace ZipFixture {

bool make(const QString &zipPath, const QMap<QString, QByteArray> &files, const QStringList &order,
          const QStringList &executables)
{
    QTemporaryDir source;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = source.filePath(it.key());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
        file.close();
        if (executables.contains(it.key()))
            file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    for (const QString &entry : order)
        if (entry.endsWith(QLatin1Char('/')))
            QDir().mkpath(source.filePath(entry));

    QFile::remove(zipPath);
    QProcess zip;
    zip.setWorkingDirectory(source.path());
    // Without -r zip adds a folder entry only for a folder named on its command line.
    QStringList arguments{QStringLiteral("-q"), QStringLiteral("-X"), zipPath};
    for (const QString &entry : order)
        arguments << (entry.endsWith(QLatin1Char('/')) ? entry.chopped(1) : entry);
    zip.start(QStringLiteral("zip"), arguments);
    return zip.waitForFinished(60000) && zip.exitStatus() == QProcess::NormalExit && zip.exitCode() == 0;
}

bool patch(const QString &zipPath, const QMap<QByteArray, QByteArray> &replacements)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    file.close();
    for (auto it = replacements.cbegin(); it != replacements.cend(); ++it) {
        if (it.key().size() != it.value().size() || !bytes.contains(it.key()))
            return false;
        bytes.replace(it.key(), it.value());
    }
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> result;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileInfo().isDir()) {
            result.insert(base.relativeFilePath(path), QByteArrayLiteral("<dir>"));
            continue;
        }
        QFile file(path);
        result.insert(base.relativeFilePath(path), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return result;
}

} // namespace ZipFixture
