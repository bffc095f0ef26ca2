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

    bool isEmpty() const;
};

// Anything that is not a JSON object with a "result" object gives the empty record.
ReleaseInfo parseReleaseInfo(const QString &answer);

// The server's refusals are told apart by text, wherever they stand in the answer.
bool isRefusedReleaseAnswer(const QString &answer);
