// The name of an entry of a tool release archive, as stored in the zip.
#include "FuzzSupport.h"

#include "update/ArchiveInstaller.h"

#include <QDir>
#include <QString>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString target = QStringLiteral("/opt/Norvo/Upgrader");
    for (const QString &name : {QString::fromUtf8(bytes), QString::fromLocal8Bit(bytes)}) {
        QString relative;
        if (!archiveEntryTarget(name, relative))
            continue;
        // Whatever was accepted lands in the program folder or below it.
        const QString landed = QDir::cleanPath(target + QLatin1Char('/') + relative);
        FUZZ_CHECK(landed == target || landed.startsWith(target + QLatin1Char('/')));
        FUZZ_CHECK(!relative.startsWith(QLatin1Char('/')) && !relative.contains(QLatin1Char('\\')));
        FUZZ_CHECK(relative != QLatin1String("..") && !relative.startsWith(QLatin1String("../")));
    }
    return 0;
}
