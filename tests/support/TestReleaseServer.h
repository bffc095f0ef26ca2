#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The release server stand-in on a free port of 127.0.0.1, with its catalogue, its
// package folder, its request log and (for HTTPS) a self-signed certificate made with
// openssl. start() points KESTRELUP_RELEASE_SERVER at it until the fixture goes.
class TestReleaseServer
{
public:
    enum Scheme { Http, Https };

    explicit TestReleaseServer(Scheme scheme = Http);
    ~TestReleaseServer();

    bool start(const QStringList &arguments = {});
    QString baseUrl() const;
    QString certificatePath() const;

    // Keyed by productName: a release object, or a text answered verbatim.
    void setCatalogue(const QJsonObject &catalogue);
    // Served at baseUrl() + "/packages/" + name.
    QString addPackage(const QString &name, const QByteArray &contents);
    // Takes effect from the next request: "silent", "404", "drop", "trickle", "empty",
    // "nolength" or none, for paths starting with pathPrefix.
    void setFault(const QString &fault, const QString &pathPrefix = QString());

    QList<QJsonObject> requests() const;
    void clearRequests();

private:
    QString filePath(const QString &name) const;

    Scheme m_scheme;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_baseUrl;
    QByteArray m_previousServer;
    bool m_hadPreviousServer = false;
};
