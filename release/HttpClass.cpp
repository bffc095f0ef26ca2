#include "release/HttpClass.h"

#include "settings/ConfigFile.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

HttpClass g_httpClass;

HttpClass::HttpClass(QObject *parent)
    : QObject(parent)
{
}

QByteArray HttpClass::encodeForm(const QMap<QString, QString> &fields)
{
    QByteArray body;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        qDebug() << it.key() << it.value();
        // Blanks become %20, never '+': the server decodes strictly.
        const QByteArray value = QUrl::toPercentEncoding(it.value(), QByteArray(), QByteArray());
        body += QStringLiteral("%1=%2&").arg(it.key(), QString::fromLatin1(value)).toUtf8();
    }
    body.chop(1);
    return body;
}

QString HttpClass::postForm(QString url, QMap<QString, QString> fields)
{
    QString result;
    auto *manager = new QNetworkAccessManager;
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    const int timeout = transferTimeout();
    if (timeout > 0)
        request.setTransferTimeout(timeout);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));

    QNetworkReply *reply = manager->post(request, encodeForm(fields));
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, [&] {
        if (reply->error() != QNetworkReply::NoError) {
            qDebug() << "Network error:" << reply->errorString();
        } else {
            const QByteArray body = reply->readAll();
            if (!body.isEmpty())
                result = QString::fromUtf8(body);
            qDebug() << "Response:" << body;
        }
        reply->deleteLater();
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    qDebug() << "release manage";
    delete manager;
    qDebug() << "exit strResponse=" << result;
    return result;
}

void HttpClass::setTransferTimeout(int ms)
{
    m_transferTimeout.storeRelaxed(ms);
}

int HttpClass::transferTimeout() const
{
    return m_transferTimeout.loadRelaxed();
}

bool HttpClass::readConfig()
{
    return ConfigFile::read(ConfigFile::defaultPath(), m_config);
}

bool HttpClass::writeConfig()
{
    return ConfigFile::write(ConfigFile::defaultPath(), m_config);
}

AppConfig HttpClass::getConfig()
{
    readConfig();
    return m_config;
}

QString HttpClass::getLang() const
{
    return m_config.lang;
}

void HttpClass::setLang(const QString &lang)
{
    m_config.lang = lang;
    writeConfig();
}

QString HttpClass::getLastDir() const
{
    return m_config.lastDir;
}

void HttpClass::setLastDir(const QString &dir)
{
    m_config.lastDir = dir;
    writeConfig();
}
