#pragma once

#include <QByteArray>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A tiny HTTP/1.1 server, one request per connection.
//
// POST /app/ota/getOtaInfo answers from the catalogue, a JSON object keyed by
// productName whose values are either a release object (sent as "result") or a text
// sent verbatim. GET /packages/<name> serves a file of the package folder. Texts in the
// catalogue may hold "{base}", replaced by this server's own address.
//
// Faults ("silent", "404", "drop", "trickle", "empty", "nolength") apply to requests whose path
// starts with the fault path; a control file, read at every request, can change both.
// "trickle" and "nolength" send packages in steps of trickleBytes every trickleMs, the
// latter without a Content-Length.
class ReleaseServer : public QTcpServer
{
    Q_OBJECT

public:
    struct Options
    {
        QString catalogue;
        QString packages;
        QString log;
        QString control;
        QString fault;
        QString faultPath;
        int trickleBytes = 512;
        int trickleMs = 200;
        QSslCertificate certificate;
        QSslKey key;
    };

    explicit ReleaseServer(const Options &options, QObject *parent = nullptr);
    QString baseUrl() const;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers;
        QByteArray body;
    };

    void onReadyRead(QTcpSocket *socket);
    void handle(QTcpSocket *socket, const Request &request);
    void logRequest(const Request &request);
    QByteArray lookupAnswer(const QByteArray &body);
    void send(QTcpSocket *socket, int status, const QByteArray &body, const QByteArray &type);
    void sendPackage(QTcpSocket *socket, const QByteArray &body, const QString &fault);

    Options m_options;
    bool m_tls = false;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};
