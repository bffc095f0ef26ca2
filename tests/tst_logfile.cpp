// The diagnostic log: its line format and lock in-process, and the file a real start
// of kestrelup leaves in a fresh program folder.
#include "settings/LogFile.h"
#include "settings/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

#include <unistd.h>

namespace {

const QString DateTime = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");

QString banner()
{
    return QStringLiteral("\n\n\n={48}soft start ") + DateTime + QStringLiteral("={50} \nsystem: [^\n]+ kernel=[^\n]+\n");
}

// A message line; the function and line fields are empty and 0 unless the build
// carries the source location.
const QRegularExpression MessageLine(QStringLiteral("^\\[(Debug|Warning|Critical|Fatal): \\]\\[") + DateTime
                                     + QStringLiteral("\\]\\[(:0|[^\\n]+:[1-9]\\d*)\\]"));

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString dayFileName()
{
    return QStringLiteral("log_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt");
}

// A throw-away installation of kestrelup.
struct Installation
{
    QTemporaryDir dir;

    Installation()
    {
        QFile::copy(QStringLiteral(KESTRELUP_BIN), dir.filePath(QStringLiteral("kestrelup")));
        QFile::setPermissions(dir.filePath(QStringLiteral("kestrelup")), QFile::ReadOwner | QFile::ExeOwner);
        QDir(dir.path()).mkdir(QStringLiteral("setting"));
        QFile config(dir.filePath(QStringLiteral("setting/config.json")));
        config.open(QIODevice::WriteOnly);
        config.write(R"({"lang":"English","lastDir":"","productName":"NorvoUpgradeTool","theme":"","version":"1.0"})");
    }
    QString logFile() const { return dir.filePath(QStringLiteral("log/") + dayFileName()); }
    void start(QProcess &process) const
    {
        process.setWorkingDirectory(dir.path());
        process.start(dir.filePath(QStringLiteral("kestrelup")), QStringList());
    }
};

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished(10000);
}

} // namespace

class TestLogFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void lineFormat_data();
    void lineFormat();
    void qtOwnMessagesGoThroughTheHandler();
    void twoThreadsNeverMixALine();
    void startWritesBannerAndLaterMessagesOnly();
    void unwritableLogLeavesTheToolRunning_data();
    void unwritableLogLeavesTheToolRunning();

private:
    QString appended();

    QTemporaryDir m_folder;
    qint64 m_read = 0;
};

void TestLogFile::initTestCase()
{
    ProgramFolder::setOverride(m_folder.path());
    initLogFile();
    QVERIFY(LogFile::isOpen());
    QCOMPARE(LogFile::path(), m_folder.filePath(QStringLiteral("log/") + dayFileName()));
    const QString start = appended();
    QVERIFY2(QRegularExpression(QStringLiteral("\\A") + banner() + QStringLiteral("\\z")).match(start).hasMatch(),
             qPrintable(start));
}

void TestLogFile::cleanupTestCase()
{
    ProgramFolder::setOverride(QString());
}

QString TestLogFile::appended()
{
    const QByteArray all = readAll(LogFile::path());
    const QString text = QString::fromUtf8(all.mid(m_read));
    m_read = all.size();
    return text;
}

void TestLogFile::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // with @ for the date and time

    const QString plain = QStringLiteral("Failed to open the file.");
    QTest::newRow("debug") << int(QtDebugMsg) << QByteArray() << 0 << plain << "[Debug: ][@][:0]" + plain + "\n";
    QTest::newRow("warning") << int(QtWarningMsg) << QByteArray() << 0 << plain << "[Warning: ][@][:0]" + plain + "\n";
    QTest::newRow("critical") << int(QtCriticalMsg) << QByteArray() << 0 << plain
                              << "[Critical: ][@][:0]" + plain + "\n";
    QTest::newRow("fatal") << int(QtFatalMsg) << QByteArray() << 0 << plain << "[Fatal: ][@][:0]" + plain + "\n";
    QTest::newRow("info has no level") << int(QtInfoMsg) << QByteArray() << 0 << plain << "[][@][:0]" + plain + "\n";
    QTest::newRow("source location") << int(QtDebugMsg) << QByteArray("void MainWindow::initLanguage()") << 321
                                     << plain << "[Debug: ][@][void MainWindow::initLanguage():321]" + plain + "\n";
    // The text goes in last: its own markers are not placeholders.
    QTest::newRow("markers in the text") << int(QtDebugMsg) << QByteArray() << 0 << QStringLiteral("100% %1 %2 %6")
                                         << QStringLiteral("[Debug: ][@][:0]100% %1 %2 %6\n");
    QTest::newRow("several lines") << int(QtDebugMsg) << QByteArray() << 0 << QStringLiteral("a\nb\r\nc")
                                   << QStringLiteral("[Debug: ][@][:0]a\nb\r\nc\n");
    QTest::newRow("chinese") << int(QtDebugMsg) << QByteArray() << 0 << QStringLiteral("注册成功")
                             << QStringLiteral("[Debug: ][@][:0]注册成功\n");
}

void TestLogFile::lineFormat()
{
    QFETCH(int, type);
    QFETCH(QByteArray, function);
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    const QMessageLogContext context("file.cpp", line, function.isEmpty() ? nullptr : function.constData(), "default");
    outputMessage(QtMsgType(type), context, text);

    const QStringList parts = expected.split(QLatin1Char('@'));
    const QRegularExpression pattern(QStringLiteral("\\A") + QRegularExpression::escape(parts.at(0)) + DateTime
                                     + QRegularExpression::escape(parts.at(1)) + QStringLiteral("\\z"));
    const QString written = appended();
    QVERIFY2(pattern.match(written).hasMatch(), qPrintable(written));
}

void TestLogFile::qtOwnMessagesGoThroughTheHandler()
{
    const QtMessageHandler previous = qInstallMessageHandler(outputMessage);
    QObject::connect(nullptr, SIGNAL(destroyed()), this, SLOT(deleteLater()));
    qInfo("checkpoint");
    qInstallMessageHandler(previous);

    const QStringList lines = appended().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(MessageLine.match(lines.at(0)).hasMatch(), qPrintable(lines.at(0)));
    QVERIFY(lines.at(0).startsWith(QLatin1String("[Warning: ]")));
    QVERIFY(lines.at(0).contains(QLatin1String("QObject::connect")));
    QVERIFY(lines.at(1).startsWith(QLatin1String("[][")));
    QVERIFY(lines.at(1).endsWith(QLatin1String("]checkpoint")));
}

void TestLogFile::twoThreadsNeverMixALine()
{
    const int perThread = 2000;
    const QString a = QString(300, QLatin1Char('a'));
    const QString b = QString(300, QLatin1Char('b'));
    const QtMessageHandler previous = qInstallMessageHandler(outputMessage);
    auto writer = [perThread](const QString &text) {
        for (int i = 0; i < perThread; ++i)
            qDebug("%s", qPrintable(text));
    };
    std::thread first(writer, a);
    std::thread second(writer, b);
    first.join();
    second.join();
    qInstallMessageHandler(previous);

    const QStringList lines = appended().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 * perThread);
    int ofA = 0;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = MessageLine.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const QString text = line.mid(match.capturedLength());
        QVERIFY2(text == a || text == b, qPrintable(line));
        ofA += text == a;
    }
    QCOMPARE(ofA, perThread);
}

void TestLogFile::startWritesBannerAndLaterMessagesOnly()
{
    Installation installation;
    QVERIFY(!QFileInfo::exists(installation.dir.filePath(QStringLiteral("log"))));
    // The banner, then at least one message of the running tool.
    const QRegularExpression oneRun(QStringLiteral("\\A") + banner() + QStringLiteral("\\["));

    QProcess process;
    installation.start(process);
    QVERIFY(process.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(oneRun.match(QString::fromUtf8(readAll(installation.logFile()))).hasMatch(), 30000);
    stop(process);
    const QByteArray firstRun = readAll(installation.logFile());
    const QString text = QString::fromUtf8(firstRun);

    for (const QString &line : text.mid(oneRun.match(text).capturedLength() - 1).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            QVERIFY2(MessageLine.match(line).hasMatch(), qPrintable(line));
    }
    // Written while the window was being built, before the handler was installed.
    for (const char *early : {"注册成功", "hid init success", "System language", "OpenSSL"})
        QVERIFY2(!text.contains(QString::fromUtf8(early)), early);

    installation.start(process);
    QVERIFY(process.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(
        oneRun.match(QString::fromUtf8(readAll(installation.logFile()).mid(firstRun.size()))).hasMatch(), 30000);
    stop(process);
    QVERIFY(readAll(installation.logFile()).startsWith(firstRun));
    QCOMPARE(QDir(installation.dir.filePath(QStringLiteral("log"))).entryList(QDir::Files).size(), 1);
}

void TestLogFile::unwritableLogLeavesTheToolRunning_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("log is a file") << "file";
    QTest::newRow("day's file is a folder") << "folder";
    QTest::newRow("read-only log folder") << "read-only";
}

void TestLogFile::unwritableLogLeavesTheToolRunning()
{
    QFETCH(QString, obstacle);
    Installation installation;
    const QString logFolder = installation.dir.filePath(QStringLiteral("log"));
    if (obstacle == QLatin1String("file")) {
        QFile file(logFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (obstacle == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(installation.logFile()));
    } else {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QVERIFY(QDir().mkpath(logFolder));
        QFile::setPermissions(logFolder, QFile::ReadOwner | QFile::ExeOwner);
    }

    QProcess process;
    installation.start(process);
    QVERIFY(process.waitForStarted(30000));
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += process.readAllStandardError()).contains("kestrelup: log off"), 30000);
    QTest::qWait(3000);
    QCOMPARE(process.state(), QProcess::Running);
    stop(process);
    if (obstacle == QLatin1String("read-only")) {
        QVERIFY(QDir(logFolder).isEmpty());
        QFile::setPermissions(logFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else {
        QVERIFY(!QFileInfo(installation.logFile()).isFile());
    }
}

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_logfile.moc"
