#include "release/ReleaseInfo.h"

#include <QJsonDocument>
#include <QJsonObject>

bool ReleaseInfo::isEmpty() const
{
    return fileName.isEmpty() && downUrl.isEmpty() && showNumber.isEmpty() && packageSize.isEmpty()
        && languageCode.isEmpty() && md5Code.isEmpty() && isDownVersion.isEmpty() && describes.isEmpty()
        && versionNumber.isEmpty() && productName.isEmpty() && code == 0;
}

ReleaseInfo parseReleaseInfo(const QString &answer)
{
    const QJsonObject root = QJsonDocument::fromJson(answer.toUtf8()).object();
    const QJsonObject result = root.value(QStringLiteral("result")).toObject();
    const auto text = [&result](const char *key) { return result.value(QLatin1String(key)).toString(); };
    ReleaseInfo info;
    info.fileName = text("fileName");
    info.downUrl = text("downUrl");
    info.showNumber = text("showNumber");
    info.packageSize = text("packageSize");
    info.languageCode = text("languageCode");
    info.md5Code = text("md5Code");
    info.isDownVersion = text("isDownVersion");
    info.describes = text("describes");
    info.versionNumber = text("versionNumber");
    info.productName = text("productName");
    info.code = root.value(QStringLiteral("code")).toInt();
    return info;
}

bool isRefusedReleaseAnswer(const QString &answer)
{
    return answer.contains(QLatin1String("Product isn't exist")) || answer.contains(QLatin1String("Servers error"));
}
