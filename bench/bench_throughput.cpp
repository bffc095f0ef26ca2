// Throughput of the two loops that see the most input: reading a flashing program's
// output and rebuilding the device tables from a large enumeration.
// Run: build/bench/bench_throughput (add -iterations N or -callgrind as usual).
#include "flash/FlashOutput.h"
#include "hid/UsbHidClass.h"

#include <hidapi.h>

#include <QtTest>

#include <vector>

class BenchThroughput : public QObject
{
    Q_OBJECT

private slots:
    void flashOutputInSmallChunks();
    void deviceTablesFromLargeEnumeration();
};

void BenchThroughput::flashOutputInSmallChunks()
{
    // A 64 MiB image: 16384 pages, read back in 7-byte pieces as a busy pipe may deliver.
    QByteArray stream;
    const int pages = 16384;
    for (int i = 1; i <= pages; ++i)
        stream += "write page: " + QByteArray::number(i) + " / " + QByteArray::number(pages) + "\r\n";
    stream += "FOTA done\r\n";

    int events = 0;
    QBENCHMARK {
        FlashOutput output;
        events = 0;
        for (int at = 0; at < stream.size(); at += 7)
            events += output.feed(stream.mid(at, 7)).size();
    }
    QCOMPARE(events, pages + 1);
}

void BenchThroughput::deviceTablesFromLargeEnumeration()
{
    const int count = 4000;
    std::vector<hid_device_info> nodes(count);
    std::vector<std::string> paths(count);
    for (int i = 0; i < count; ++i) {
        paths[i] = "/dev/hidraw" + std::to_string(i);
        nodes[i] = hid_device_info{};
        nodes[i].path = &paths[i][0];
        nodes[i].vendor_id = static_cast<unsigned short>(0x1000 + i % 300);
        nodes[i].product_id = static_cast<unsigned short>(i);
        nodes[i].usage_page = 0xFF00;
        nodes[i].product_string = const_cast<wchar_t *>(L"Norvo Device");
        nodes[i].next = i + 1 < count ? &nodes[i + 1] : nullptr;
    }
    UsbHidClass hid;
    QStringList texts;
    QBENCHMARK {
        hid.deviceInfoToList(nodes.data(), texts);
    }
    QCOMPARE(texts.size(), count);
}

QTEST_GUILESS_MAIN(BenchThroughput)
#include "bench_throughput.moc"
