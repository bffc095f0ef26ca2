#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class VeldTest : public QObject {
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QStringList>("args"); // "@bin" stands for the firmware file
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("fileSize"); // -1: no file
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("exitCode");

        const QStringList version{"version", "32BB", "0004", "0003", "FF32"};
        const QStringList flash{"@bin", "32BB", "0004", "0003", "FF32"};
        const QByteArray onePage = "write page: 1 / 1\r\n";

        QTest::newRow("version") << version << QStringList() << 0 << QByteArray("version=1,05;") << QByteArray()
                                 << 0;
        QTest::newRow("version set") << version << QStringList{"VELD_SIM_VERSION=2,10"} << 0
                                     << QByteArray("version=2,10;") << QByteArray() << 0;
        QTest::newRow("version fails") << version << QStringList{"VELD_SIM_VERSION_FAIL=1"} << 0 << QByteArray()
                                       << QByteArray() << 1;

        QTest::newRow("success, 3 pages") << flash << QStringList() << 8193
                                          << QByteArray("write page: 1 / 3\r\nwrite page: 2 / 3\r\n"
                                                        "write page: 3 / 3\r\nFOTA done\r\n")
                                          << QByteArray() << 0;
        QTest::newRow("empty file is one page") << flash << QStringList() << 0 << onePage + "FOTA done\r\n"
                                                << QByteArray() << 0;
        QTest::newRow("loader") << flash << QStringList{"VELD_SIM_OUTCOME=loader"} << 4096
                                << onePage + "FOTA done, wait loader update code ...\r\n" << QByteArray() << 0;
        QTest::newRow("fail") << flash << QStringList{"VELD_SIM_OUTCOME=fail"} << 4096
                              << onePage + "update fail\r\n" << QByteArray() << 0;
        QTest::newRow("command-fail") << flash << QStringList{"VELD_SIM_OUTCOME=command-fail"} << 4096 << onePage
                                      << QByteArray("[FOTA] command fail(-1)\n") << 0;
        QTest::newRow("unable-to-read") << flash << QStringList{"VELD_SIM_OUTCOME=unable-to-read"} << 4096
                                        << onePage << QByteArray("Error: Unable to read, err 1167\n") << 0;
        QTest::newRow("received") << flash << QStringList{"VELD_SIM_OUTCOME=received"} << 4096 << onePage
                                  << QByteArray("Error: reply received from the chip\n") << 0;
        QTest::newRow("no-device") << flash << QStringList{"VELD_SIM_OUTCOME=no-device"} << 4096
                                   << onePage + "FOTA done\r\n" << QByteArray("no device to read\n") << 0;
        // A bench steers the next run through files while the tool that starts VELD runs.
        QTest::newRow("version from a file") << version << QStringList{"VELD_SIM_VERSION=2,10", "VELD_SIM_VERSION_FILE=@file:1,06"}
                                             << 0 << QByteArray("version=1,06;") << QByteArray() << 0;
        QTest::newRow("outcome from a file") << flash << QStringList{"VELD_SIM_OUTCOME_FILE=@file:fail\r"} << 4096
                                             << onePage + "update fail\r\n" << QByteArray() << 0;
        QTest::newRow("missing outcome file") << flash
                                              << QStringList{"VELD_SIM_OUTCOME=loader", "VELD_SIM_OUTCOME_FILE=/nonexistent/x"}
                                              << 4096 << onePage + "FOTA done, wait loader update code ...\r\n"
                                              << QByteArray() << 0;
        QTest::newRow("missing file") << flash << QStringList() << -1 << QByteArray("open file fail\r\n")
                                      << QByteArray() << 1;
    }

    void run()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(int, fileSize);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, exitCode);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // "fail" in the path: exact stdout below proves it is not echoed.
        const QString bin = dir.filePath("fail-update.bin");
        if (fileSize >= 0) {
            QFile f(bin);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(fileSize, '\x5A'));
        }
        args.replaceInStrings("@bin", bin);

        QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
        for (const QString &key : penv.keys())
            if (key.startsWith("VELD_SIM_"))
                penv.remove(key);
        for (const QString &kv : env) {
            QString value = kv.section('=', 1);
            if (value.startsWith("@file:")) {
                QFile file(dir.filePath(kv.section('=', 0, 0)));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(value.mid(6).toUtf8() + "\n");
                value = file.fileName();
            }
            penv.insert(kv.section('=', 0, 0), value);
        }
        const QString argsLog = dir.filePath("args.log");
        penv.insert("VELD_SIM_ARGS_LOG", argsLog);

        QProcess veld;
        veld.setProcessEnvironment(penv);
        veld.start(VELD_PATH, args);
        QVERIFY(veld.waitForFinished(10000));
        QCOMPARE(veld.exitStatus(), QProcess::NormalExit);
        QCOMPARE(veld.readAllStandardOutput(), out);
        QCOMPARE(veld.readAllStandardError(), err);
        QCOMPARE(veld.exitCode(), exitCode);

        QFile log(argsLog);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(log.readAll()), args.join(' ') + '\n');
    }
};

QTEST_GUILESS_MAIN(VeldTest)
#include "tst_veld.moc"
