#include "release/ToolRelease.h"

#include "release/HttpClass.h"
#include "release/ReleaseServer.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

AppConfig g_appConfig;

bool checkNewVersion()
{
    g_appConfig = g_httpClass.getConfig();
    const QString answer = g_httpClass.postForm(releaseLookupUrl(),
                                                releaseLookupFields(g_appConfig.productName, g_appConfig.version));
    if (answer.isEmpty()) {
        qDebug() << "获取网络数据错误,重新获取!";
        return false;
    }
    qDebug() << answer;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "Failed to parse JSON data.";
        return false;
    }
    // The server decides what is newer; any release it names is offered.
    const QJsonObject result = document.object().value(QStringLiteral("result")).toObject();
    return !result.value(QStringLiteral("versionNumber")).toString().isEmpty();
}
