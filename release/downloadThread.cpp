#include "release/downloadThread.h"

#include "release/HttpClass.h"
#include "release/ReleaseServer.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

namespace {

const QString kFailurePrefix = QStringLiteral("download failed: ");

} // namespace

downloadThread::downloadThread(QObject *parent)
    : QThread(parent)
{
}

downloadThread::~downloadThread()
{
    requestInterruption();
    wait();
}

QString downloadThread::finishMessage()
{
    return QStringLiteral("download finish");
}

bool downloadThread::isFinish(const QString &message)
{
    return message == finishMessage();
}

bool downloadThread::isFailure(const QString &message)
{
    return message.startsWith(kFailurePrefix);
}

QString downloadThread::failureReason(const QString &message)
{
    return isFailure(message) ? message.mid(kFailurePrefix.size()) : QString();
}

void downloadThread::run()
{
    if (m_strFilePath.isEmpty()) {
        lookUp();
        return;
    }
    const QString failure = downloadFile(m_url, m_strFilePath);
    emit threadMessage(failure.isEmpty() ? finishMessage() : kFailurePrefix + failure, m_strFirmwareVer);
}

void downloadThread::lookUp()
{
    for (int attempt = 0; attempt < 3 && !isInterruptionRequested(); ++attempt) {
        const QString version = m_strFirmwareVer.isEmpty() ? m_strDefaultVer : m_strFirmwareVer;
        const QString answer = g_httpClass.postForm(releaseLookupUrl(), releaseLookupFields(m_strProductName, version));
        if (!answer.isEmpty()) {
            emit threadMessage(answer, m_strFirmwareVer);
            return;
        }
        qDebug() << "获取网络数据错误,重新获取!";
    }
}

QString downloadThread::downloadFile(const QUrl &url, const QString &path)
{
    // The body goes to a temporary file beside the target, which replaces the target
    // only once everything arrived: a broken transfer leaves no package behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Failed to open file for writing.";
        return QStringLiteral("cannot write %1").arg(path);
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    // A server that stops sending would otherwise hold the download for ever.
    const int timeout = g_httpClass.transferTimeout();
    if (timeout > 0)
        request.setTransferTimeout(timeout);
    QNetworkReply *reply = manager.get(request);
    // Unbounded, the reply buffers whatever the network delivers faster than the disk
    // takes it: a whole package in memory. A bounded buffer holds the socket back instead.
    reply->setReadBufferSize(1 << 20);
    QString failure;
    qint64 received = 0;
    QEventLoop loop;

    connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (failure.isEmpty() && file.write(chunk) != chunk.size()) {
            failure = QStringLiteral("cannot write %1").arg(path);
            reply->abort();
        }
    }, Qt::DirectConnection);
    connect(reply, &QNetworkReply::downloadProgress, reply, [this](qint64 bytes, qint64 total) {
        qDebug() << "Download progress: " << bytes << " / " << total;
        // Without an announced size there is no percentage to tell.
        if (total <= 0)
            return;
        const auto percent = static_cast<quint32>(bytes * 100 / total);
        emit threadMessage(QString::number(percent), m_strFirmwareVer);
    }, Qt::DirectConnection);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    QTimer interruption;
    connect(&interruption, &QTimer::timeout, reply, [&] {
        if (isInterruptionRequested()) {
            failure = QStringLiteral("interrupted");
            reply->abort();
        }
    });
    interruption.start(100);
    if (!reply->isFinished())
        loop.exec();
    interruption.stop();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    const QByteArray rest = reply->readAll();
    received += rest.size();
    if (failure.isEmpty() && file.write(rest) != rest.size())
        failure = QStringLiteral("cannot write %1").arg(path);

    if (failure.isEmpty()) {
        if (reply->error() != QNetworkReply::NoError)
            failure = reply->errorString();
        else if (url.scheme().startsWith(QLatin1String("http")) && (status < 200 || status > 299))
            failure = QStringLiteral("HTTP status %1").arg(status);
        else if (announced > 0 && received < announced)
            failure = QStringLiteral("%1 of %2 bytes received").arg(received).arg(announced);
        else if (received == 0)
            failure = QStringLiteral("empty answer");
        else if (!file.commit())
            failure = QStringLiteral("cannot write %1").arg(path);
    }
    reply->deleteLater();

    if (!failure.isEmpty()) {
        file.cancelWriting();
        qDebug() << "Download failed:" << failure;
        return failure;
    }
    qDebug() << "File downloaded to: " << path;
    return QString();
}
