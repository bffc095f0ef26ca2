#include "update/ArchiveDigest.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>

QString fileMd5Hex(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Could not open the file for reading";
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    char buffer[4096];
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) {
            // A digest of half a file could never be the right one; say nothing matched.
            qDebug() << "Could not read the file to its end" << path;
            return QString();
        }
        if (got == 0)
            break;
        hash.addData(buffer, int(got));
    }
    file.close();
    return QString::fromLatin1(hash.result().toHex());
}
