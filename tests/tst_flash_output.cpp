// What the tool makes of a flashing program: the command lines it starts and the
// interpretation of what the program prints.
#include "flash/FlashCommandLine.h"
#include "flash/FlashOutput.h"
#include "flash/ToolVersionQuery.h"

#include <QProcess>
#include <QtTest>

using ByteChunks = QList<QByteArray>;
Q_DECLARE_METATYPE(ByteChunks)
Q_DECLARE_METATYPE(FlashOutput::ErrorKind)
Q_DECLARE_METATYPE(SupportedDevice)

namespace {

SupportedDevice row(const char *tool, quint16 vid, quint16 pid, quint16 page, quint16 usage)
{
    SupportedDevice device;
    device.toolPath = QString::fromLatin1(tool);
    device.vendorId = vid;
    device.productId = pid;
    device.usagePage = page;
    device.usage = usage;
    return device;
}

QStringList describe(const QVector<FlashOutput::Event> &events)
{
    QStringList out;
    for (const FlashOutput::Event &event : events) {
        switch (event.kind) {
        case FlashOutput::Event::Progress:
            out << QStringLiteral("progress %1").arg(event.percent);
            break;
        case FlashOutput::Event::Success:
            out << QStringLiteral("success");
            break;
        case FlashOutput::Event::LoaderUpdate:
            out << QStringLiteral("loader");
            break;
        case FlashOutput::Event::Failure:
            out << QStringLiteral("failure");
            break;
        }
    }
    return out;
}

} // namespace

class TestFlashOutput : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data();
    void commandLines();
    void versionChunk_data();
    void versionChunk();
    void standardOutput_data();
    void standardOutput();
    void standardError_data();
    void standardError();
};

void TestFlashOutput::commandLines_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<SupportedDevice>("device");
    QTest::addColumn<QString>("flashLine");
    QTest::addColumn<QStringList>("flashArguments");
    QTest::addColumn<QString>("versionLine");

    QTest::newRow("row 1") << "D:/Apps/Upgrader" << row("tovrek/tovrek.exe", 0x32BB, 0x0004, 0xFF32, 0x0003)
                           << "\"D:/Apps/Upgrader\"/tovrek/tovrek.exe \"D:/fw/new.bin\" 32bb 4 3 ff32"
                           << QStringList{"D:/Apps/Upgrader/tovrek/tovrek.exe", "D:/fw/new.bin", "32bb", "4", "3", "ff32"}
                           << "D:/Apps/Upgrader/tovrek/tovrek.exe version 32bb 4 3 ff32";
    QTest::newRow("row 2, folder with a blank")
        << "C:/Program Files/Up" << row("VELD/VELD.exe", 0x0A12, 0x4007, 0xFF00, 0x0001)
        << "\"C:/Program Files/Up\"/VELD/VELD.exe \"D:/fw/new.bin\" a12 4007 1 ff00"
        << QStringList{"C:/Program Files/Up/VELD/VELD.exe", "D:/fw/new.bin", "a12", "4007", "1", "ff00"}
        << "C:/Program Files/Up/VELD/VELD.exe version a12 4007 1 ff00";
}

void TestFlashOutput::commandLines()
{
    QFETCH(QString, folder);
    QFETCH(SupportedDevice, device);
    QFETCH(QString, flashLine);
    QFETCH(QStringList, flashArguments);
    QFETCH(QString, versionLine);

    const QString line = FlashCommandLine::flash(folder, device, QStringLiteral("D:/fw/new.bin"));
    QCOMPARE(line, flashLine);
    QCOMPARE(QProcess::splitCommand(line), flashArguments);
    QCOMPARE(FlashCommandLine::versionQuery(folder, device), versionLine);
}

void TestFlashOutput::versionChunk_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QString>("version");

    QTest::newRow("VELD answer") << "version=1,05;" << "1.05";
    QTest::newRow("two digits") << "version=2,10;" << "2.10";
    QTest::newRow("line end kept") << "version=1,05;\r\n" << "1.05\r\n";
    QTest::newRow("no version") << "usage: VELD" << "";
}

void TestFlashOutput::versionChunk()
{
    QFETCH(QString, chunk);
    QFETCH(QString, version);
    QCOMPARE(ToolVersionQuery::versionFromChunk(chunk), version);
}

void TestFlashOutput::standardOutput_data()
{
    QTest::addColumn<ByteChunks>("chunks");
    QTest::addColumn<bool>("programEnded");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("one progress line") << ByteChunks{"write page: 25 / 100\r\n"} << false
                                       << QStringList{"progress 25"};
    QTest::newRow("last page") << ByteChunks{"write page: 100 / 100\r\n"} << false << QStringList{"progress 100"};
    QTest::newRow("truncated percentage") << ByteChunks{"write page: 1 / 3\r\n"} << false
                                          << QStringList{"progress 33"};
    QTest::newRow("two progress lines in one chunk")
        << ByteChunks{"write page: 1 / 10\r\nwrite page: 2 / 10\r\n"} << false
        << QStringList{"progress 10", "progress 20"};
    QTest::newRow("progress and success in one chunk")
        << ByteChunks{"write page: 3 / 3\r\nFOTA done\r\n"} << false << QStringList{"progress 100", "success"};
    QTest::newRow("success split across reads") << ByteChunks{"FOTA do", "ne\r", "\n"} << false
                                                << QStringList{"success"};
    QTest::newRow("progress after tovrek's prefix")
        << ByteChunks{"usbHidDfu => write page: 1 / 2\r\nwrite page: 2 / 2\r\n"} << false
        << QStringList{"progress 50", "progress 100"};
    QTest::newRow("loader notice is not success")
        << ByteChunks{"FOTA done, wait loader update code ...\r\n"} << false << QStringList{"loader"};
    QTest::newRow("fail") << ByteChunks{"write page: 1 / 4\r\nupdate fail\r\n"} << false
                          << QStringList{"progress 25", "failure"};
    QTest::newRow("failed") << ByteChunks{"connect failed\n"} << false << QStringList{"failure"};
    QTest::newRow("Fail is not a failure") << ByteChunks{"Fail safe mode\r\n"} << false << QStringList{};
    QTest::newRow("zero total skipped") << ByteChunks{"write page: 1 / 0\r\n"} << false << QStringList{};
    QTest::newRow("total not a number skipped") << ByteChunks{"write page: 1 / x\r\n"} << false << QStringList{};
    QTest::newRow("argument echo with fail in the path")
        << ByteChunks{"use:tovrek  bin_path  vid pid usage usagePage \n",
                      " bin_path=/fw/failsafe.bin  vid=32bb pid=4 usage=3 usagePage=ff32\n"}
        << false << QStringList{};
    QTest::newRow("unfinished line waits")
        << ByteChunks{"Load btapi.dll failed!"} << false << QStringList{};
    QTest::newRow("unfinished line read at the end")
        << ByteChunks{"Load btapi.dll failed!"} << true << QStringList{"failure"};
    QTest::newRow("connection error of tovrek")
        << ByteChunks{"Send log => Connect USB => no device\n", QStringLiteral("链接USB错误").toLocal8Bit()}
        << true << QStringList{"failure"};
    QTest::newRow("write error of tovrek")
        << ByteChunks{"usbHidDfu => bad package\n" + QStringLiteral("写固件错误").toLocal8Bit()} << true
        << QStringList{"failure"};
}

void TestFlashOutput::standardOutput()
{
    QFETCH(ByteChunks, chunks);
    QFETCH(bool, programEnded);
    QFETCH(QStringList, events);

    FlashOutput output;
    QVector<FlashOutput::Event> seen;
    for (const QByteArray &chunk : chunks)
        seen += output.feed(chunk);
    if (programEnded)
        seen += output.finish();
    QCOMPARE(describe(seen), events);

    // A new run forgets what the last one left unfinished.
    output.reset();
    QCOMPARE(describe(output.finish()), QStringList{});
}

void TestFlashOutput::standardError_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<FlashOutput::ErrorKind>("kind");

    QTest::newRow("command fail") << "[FOTA] command fail(-1)\n" << FlashOutput::ErrorKind::CommandFailed;
    QTest::newRow("device gone") << "Error: Unable to read, err 1167\n" << FlashOutput::ErrorKind::UnableToRead;
    QTest::newRow("err with blank") << "read err 1167: Unable to read, err 1167" << FlashOutput::ErrorKind::UnableToRead;
    QTest::newRow("chip answered") << "Error: reply received from the chip\n" << FlashOutput::ErrorKind::ChipSuccess;
    QTest::newRow("other error report") << "Error: timeout\n" << FlashOutput::ErrorKind::Nothing;
    QTest::newRow("updating") << "no device to read\n" << FlashOutput::ErrorKind::Updating;
    QTest::newRow("updating inside an error report") << "Error: no device to read\n" << FlashOutput::ErrorKind::Nothing;
    QTest::newRow("unrelated") << "warning: slow USB\n" << FlashOutput::ErrorKind::Nothing;
}

void TestFlashOutput::standardError()
{
    QFETCH(QString, chunk);
    QFETCH(FlashOutput::ErrorKind, kind);
    QCOMPARE(FlashOutput::interpretError(chunk), kind);
}

QTEST_GUILESS_MAIN(TestFlashOutput)
#include "tst_flash_output.moc"
