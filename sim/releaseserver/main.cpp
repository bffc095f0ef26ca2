#include "ReleaseServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Release server stand-in"));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: any free one)."), QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption catalogue(QStringLiteral("catalogue"), QStringLiteral("JSON catalogue keyed by productName."), QStringLiteral("file"));
    const QCommandLineOption packages(QStringLiteral("packages"), QStringLiteral("Folder served by GET."), QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Request log, one JSON object a line."), QStringLiteral("file"));
    const QCommandLineOption cert(QStringLiteral("cert"), QStringLiteral("PEM certificate: serve HTTPS."), QStringLiteral("file"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("PEM private key of the certificate."), QStringLiteral("file"));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("silent, 404, drop, trickle, empty or nolength."), QStringLiteral("fault"));
    const QCommandLineOption faultPath(QStringLiteral("fault-path"), QStringLiteral("Faults hit only paths starting so."), QStringLiteral("prefix"));
    const QCommandLineOption control(QStringLiteral("control"), QStringLiteral("JSON {fault, faultPath} read at every request."), QStringLiteral("file"));
    const QCommandLineOption trickleBytes(QStringLiteral("trickle-bytes"), QStringLiteral("Bytes per trickle step."), QStringLiteral("n"), QStringLiteral("512"));
    const QCommandLineOption trickleMs(QStringLiteral("trickle-ms"), QStringLiteral("Milliseconds between trickle steps."), QStringLiteral("ms"), QStringLiteral("200"));
    parser.addOptions({port, catalogue, packages, log, cert, key, fault, faultPath, control, trickleBytes, trickleMs});
    parser.process(application);

    ReleaseServer::Options options;
    options.catalogue = parser.value(catalogue);
    options.packages = parser.value(packages);
    options.log = parser.value(log);
    options.control = parser.value(control);
    options.fault = parser.value(fault);
    options.faultPath = parser.value(faultPath);
    options.trickleBytes = qMax(1, parser.value(trickleBytes).toInt());
    options.trickleMs = qMax(1, parser.value(trickleMs).toInt());
    if (parser.isSet(cert)) {
        QFile certFile(parser.value(cert));
        QFile keyFile(parser.value(key));
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read the certificate or its key\n");
            return 2;
        }
        options.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
        options.key = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
        if (options.certificate.isNull() || options.key.isNull()) {
            std::fprintf(stderr, "the certificate or its key is not PEM\n");
            return 2;
        }
    }

    ReleaseServer server(options);
    if (!server.listen(QHostAddress::LocalHost, static_cast<quint16>(parser.value(port).toUInt()))) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    // The first line tells a caller that asked for any port which one it got.
    std::printf("listening %s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);
    return application.exec();
}
