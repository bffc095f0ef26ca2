#include "release/ReleaseServer.h"

QString releaseServerBase()
{
    QString base = qEnvironmentVariable("KESTRELUP_RELEASE_SERVER");
    if (base.isEmpty())
        base = QStringLiteral(KESTREL_RELEASE_SERVER);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString releaseLookupUrl()
{
    return releaseServerBase() + QStringLiteral("/app/ota/getOtaInfo");
}

QMap<QString, QString> releaseLookupFields(const QString &productName, const QString &version)
{
    return {
        {QStringLiteral("deviceModel"), productName},
        {QStringLiteral("deviceNumber"), QStringLiteral("00:00:00:00:00:00:00:00")},
        // The server's notes come in one language whatever the window shows.
        {QStringLiteral("languageCode"), QStringLiteral("zh-cn")},
        {QStringLiteral("productName"), productName},
        {QStringLiteral("versionNumber"), version},
    };
}
