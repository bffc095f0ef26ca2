// What a flashing program prints: a sequence of chunks, each on standard output or
// standard error. Every chunk is a length byte (high bit set: standard error) and
// up to 127 bytes of text.
#include "FuzzSupport.h"

#include "flash/FlashOutput.h"

#include <QString>

namespace {

bool sameEvents(const QVector<FlashOutput::Event> &a, const QVector<FlashOutput::Event> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].percent != b[i].percent)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FlashOutput chunked;
    QVector<FlashOutput::Event> events;
    QByteArray standardOutput;
    size_t at = 0;
    while (at < size) {
        const bool isError = data[at] & 0x80;
        const size_t length = qMin<size_t>(data[at] & 0x7F, size - at - 1);
        const QByteArray chunk(reinterpret_cast<const char *>(data + at + 1), int(length));
        at += 1 + length;
        if (isError) {
            FlashOutput::interpretError(QString::fromLocal8Bit(chunk));
        } else {
            events += chunked.feed(chunk);
            standardOutput += chunk;
        }
    }
    events += chunked.finish();

    // How the pipe cut the output must not change what it means.
    FlashOutput whole;
    QVector<FlashOutput::Event> wholeEvents = whole.feed(standardOutput);
    wholeEvents += whole.finish();
    FUZZ_CHECK(sameEvents(events, wholeEvents));
    return 0;
}
