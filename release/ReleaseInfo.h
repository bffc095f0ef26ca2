#pragma once

#include <QString>

// One getOtaInfo answer of the release server; the empty record means no release is offered.
struct ReleaseInfo
{
    QString fileName;
    QString downUrl;
    QString showNumber;
    QString packageSize;
    QString languageCode;
    QString md5Code;
    QString isDownVersion;
    QString describes;
    QString versionNumber;
    QString productName;
    int code = 0;
};
