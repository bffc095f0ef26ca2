#include "TestReleaseServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

TestReleaseServer::TestReleaseServer(Scheme scheme)
    : m_scheme(scheme)
{
    QDir().mkpath(filePath(QStringLiteral("packages")));
    setCatalogue(QJsonObject());
}

TestReleaseServer::~TestReleaseServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    if (m_hadPreviousServer)
        qputenv("KESTRELUP_RELEASE_SERVER", m_previousServer);
    else
        qunsetenv("KESTRELUP_RELEASE_SERVER");
}

QString TestReleaseServer::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}

bool TestReleaseServer::start(const QStringList &arguments)
{
    QStringList all{QStringLiteral("--catalogue"), filePath(QStringLiteral("catalogue.json")),
                    QStringLiteral("--packages"), filePath(QStringLiteral("packages")),
                    QStringLiteral("--log"), filePath(QStringLiteral("requests.log")),
                    QStringLiteral("--control"), filePath(QStringLiteral("control.json"))};
    if (m_scheme == Https) {
        const int made = QProcess::execute(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
             QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
             QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
             QStringLiteral("-keyout"), filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
             certificatePath()});
        if (made != 0)
            return false;
        all << QStringLiteral("--cert") << certificatePath() << QStringLiteral("--key") << filePath(QStringLiteral("key.pem"));
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(KESTREL_RELEASESERVER_BIN), all + arguments);
    if (!m_process.waitForStarted(30000))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(30000))
            return false;
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    if (!line.startsWith(QLatin1String("listening ")))
        return false;
    m_baseUrl = line.mid(10);
    m_hadPreviousServer = qEnvironmentVariableIsSet("KESTRELUP_RELEASE_SERVER");
    m_previousServer = qgetenv("KESTRELUP_RELEASE_SERVER");
    qputenv("KESTRELUP_RELEASE_SERVER", m_baseUrl.toUtf8());
    return true;
}

QString TestReleaseServer::baseUrl() const
{
    return m_baseUrl;
}

QString TestReleaseServer::certificatePath() const
{
    return filePath(QStringLiteral("cert.pem"));
}

void TestReleaseServer::setCatalogue(const QJsonObject &catalogue)
{
    QFile file(filePath(QStringLiteral("catalogue.json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(catalogue).toJson());
}

QString TestReleaseServer::addPackage(const QString &name, const QByteArray &contents)
{
    QFile file(filePath(QStringLiteral("packages/") + name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
    return QStringLiteral("/packages/") + name;
}

void TestReleaseServer::setFault(const QString &fault, const QString &pathPrefix)
{
    QFile file(filePath(QStringLiteral("control.json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("fault"), fault},
                                             {QStringLiteral("faultPath"), pathPrefix}}).toJson());
}

QList<QJsonObject> TestReleaseServer::requests() const
{
    QList<QJsonObject> result;
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            result << QJsonDocument::fromJson(line).object();
    }
    return result;
}

void TestReleaseServer::clearRequests()
{
    QFile::remove(m_dir.filePath(QStringLiteral("requests.log")));
}
