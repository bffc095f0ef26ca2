#include "ReleaseServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

ReleaseServer::ReleaseServer(const Options &options, QObject *parent)
    : QTcpServer(parent)
    , m_options(options)
    , m_tls(!options.certificate.isNull())
{
}

QString ReleaseServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? "https" : "http").arg(serverPort());
}

void ReleaseServer::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = nullptr;
    if (m_tls) {
        auto *tls = new QSslSocket(this);
        if (!tls->setSocketDescriptor(descriptor)) {
            delete tls;
            return;
        }
        tls->setLocalCertificate(m_options.certificate);
        tls->setPrivateKey(m_options.key);
        // A client that refuses the certificate just goes away.
        connect(tls, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), tls,
                [tls] { tls->ignoreSslErrors(); });
        tls->startServerEncryption();
        socket = tls;
    } else {
        socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_buffers.remove(socket);
        socket->deleteLater();
    });
}

void ReleaseServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed());
    }
    qint64 length = 0;
    for (auto it = request.headers.constBegin(); it != request.headers.constEnd(); ++it) {
        if (it.key().toLower() == "content-length")
            length = it.value().toLongLong();
    }
    if (buffer.size() - headerEnd - 4 < length)
        return;
    request.body = buffer.mid(headerEnd + 4, static_cast<int>(length));
    buffer.clear();
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    handle(socket, request);
}

void ReleaseServer::handle(QTcpSocket *socket, const Request &request)
{
    logRequest(request);

    QString fault = m_options.fault;
    QString faultPath = m_options.faultPath;
    QFile control(m_options.control);
    if (!m_options.control.isEmpty() && control.open(QIODevice::ReadOnly)) {
        const QJsonObject settings = QJsonDocument::fromJson(control.readAll()).object();
        fault = settings.value(QStringLiteral("fault")).toString();
        faultPath = settings.value(QStringLiteral("faultPath")).toString();
    }
    if (!request.path.startsWith(faultPath.toUtf8()))
        fault.clear();

    if (fault == QLatin1String("silent"))
        return;  // the client gives up on its own
    if (fault == QLatin1String("404")) {
        send(socket, 404, "not found", "text/plain");
        return;
    }
    if (fault == QLatin1String("empty")) {
        send(socket, 200, QByteArray(), "text/plain");
        return;
    }

    const QString path = QUrl::fromPercentEncoding(request.path).section(QLatin1Char('?'), 0, 0);
    if (request.method == "POST" && path == QLatin1String("/app/ota/getOtaInfo")) {
        send(socket, 200, lookupAnswer(request.body), "application/json");
        return;
    }
    const QString prefix = QStringLiteral("/packages/");
    const QString relative = path.startsWith(prefix) ? path.mid(prefix.size()) : QString();
    if (request.method != "GET" || relative.isEmpty() || relative.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        send(socket, 404, "not found", "text/plain");
        return;
    }
    QFile package(QDir(m_options.packages).filePath(relative));
    if (!package.open(QIODevice::ReadOnly)) {
        send(socket, 404, "not found", "text/plain");
        return;
    }
    sendPackage(socket, package.readAll(), fault);
}

void ReleaseServer::logRequest(const Request &request)
{
    if (m_options.log.isEmpty())
        return;
    QJsonObject headers;
    for (auto it = request.headers.constBegin(); it != request.headers.constEnd(); ++it)
        headers.insert(QString::fromLatin1(it.key()), QString::fromLatin1(it.value()));
    const QJsonObject entry{
        {QStringLiteral("method"), QString::fromLatin1(request.method)},
        {QStringLiteral("path"), QString::fromLatin1(request.path)},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromUtf8(request.body)},
    };
    QFile log(m_options.log);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
}

QByteArray ReleaseServer::lookupAnswer(const QByteArray &body)
{
    const QUrlQuery form(QString::fromUtf8(body));
    const QString product = form.queryItemValue(QStringLiteral("productName"), QUrl::FullyDecoded);
    QFile file(m_options.catalogue);
    const QJsonObject catalogue = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                                                 : QJsonObject();
    QByteArray answer;
    const QJsonValue entry = catalogue.value(product);
    if (entry.isString()) {
        answer = entry.toString().toUtf8();
    } else if (entry.isObject()) {
        const QJsonObject reply{{QStringLiteral("code"), 200}, {QStringLiteral("msg"), QStringLiteral("success")},
                                {QStringLiteral("result"), entry}};
        answer = QJsonDocument(reply).toJson(QJsonDocument::Compact);
    } else {
        const QJsonObject reply{{QStringLiteral("code"), 500}, {QStringLiteral("msg"), QStringLiteral("Product isn't exist")},
                                {QStringLiteral("result"), QJsonObject()}};
        answer = QJsonDocument(reply).toJson(QJsonDocument::Compact);
    }
    return answer.replace("{base}", baseUrl().toUtf8());
}

static QByteArray header(int status, qint64 length, const QByteArray &type)
{
    const QByteArray reason = status == 200 ? "OK" : "Not Found";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: " + type
        + "\r\nContent-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
}

void ReleaseServer::send(QTcpSocket *socket, int status, const QByteArray &body, const QByteArray &type)
{
    socket->write(header(status, body.size(), type) + body);
    socket->disconnectFromHost();
}

void ReleaseServer::sendPackage(QTcpSocket *socket, const QByteArray &body, const QString &fault)
{
    const QByteArray type = "application/octet-stream";
    if (fault == QLatin1String("drop")) {
        // Announces the whole package, then hangs up halfway.
        socket->write(header(200, body.size(), type) + body.left(body.size() / 2));
        socket->disconnectFromHost();
        return;
    }
    if (fault != QLatin1String("trickle") && fault != QLatin1String("nolength")) {
        send(socket, 200, body, type);
        return;
    }
    if (fault == QLatin1String("trickle"))
        socket->write(header(200, body.size(), type));
    else  // ends by hanging up, without telling the size first
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nConnection: close\r\n\r\n");
    auto *timer = new QTimer(socket);
    auto sent = QSharedPointer<int>::create(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, body, sent] {
        socket->write(body.mid(*sent, m_options.trickleBytes));
        *sent += m_options.trickleBytes;
        if (*sent >= body.size()) {
            timer->stop();
            socket->disconnectFromHost();
        }
    });
    timer->start(m_options.trickleMs);
}
