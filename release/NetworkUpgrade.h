#pragma once

#include "release/ReleaseInfo.h"

#include <QString>

// The decisions of a network upgrade, apart from the window that presents them:
// which lookup answer still belongs to the selected device, where a package goes and
// whether the one on disk may be flashed, and what a finished download leads to.
class NetworkUpgrade
{
public:
    // A lookup started for a list entry; only the latest one's answer counts.
    quint64 lookupStarted(const QString &entry);
    bool acceptsLookup(quint64 ticket, const QString &selectedEntry) const;

    enum class Step {
        Refuse,       // the names would lead outside the download folder
        FlashCached,  // the package is on disk (and matches its digest)
        Download,
    };
    struct Plan
    {
        Step step = Step::Refuse;
        QString path;
    };
    // Makes the device's folder under downloadRoot; a cached package whose digest
    // differs from the release's is removed, so that it is fetched again.
    Plan plan(const ReleaseInfo &release, const QString &deviceName, const QString &downloadRoot) const;

    void downloadStarted(const QString &entry, const QString &md5);
    bool isDownloading() const { return m_downloading; }

    enum class Outcome {
        Flash,
        Failed,        // the transfer failed; nothing was kept
        Damaged,       // complete, but not the package the release names; removed
        OtherDevice,   // the selection changed meanwhile
    };
    Outcome downloadEnded(const QString &message, const QString &path, const QString &selectedEntry);
    // True when the percentage differs from the last one written.
    bool progressChanged(int percent);

    // A single file or folder name: not empty, no "." or "..", no separator or drive.
    static bool isSafeName(const QString &name);
    // An empty digest names no content to compare against.
    static bool matchesDigest(const QString &path, const QString &md5);

private:
    quint64 m_lookup = 0;
    QString m_lookupEntry;
    bool m_downloading = false;
    QString m_downloadEntry;
    QString m_downloadMd5;
    int m_lastPercent = -1;
};
