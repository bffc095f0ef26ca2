// A device's answer to the name or version query: 65 bytes as they came back.
#include "FuzzSupport.h"

#include "hid/HidReport.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(data), int(size));
    const QString text = HidReport::answerText(answer);
    FUZZ_CHECK(text.size() <= answer.size());
    FUZZ_CHECK(!text.contains(QChar(0)));

    const QString name = HidReport::answerMember(text, HidReport::NameItem);
    const QString version = HidReport::answerMember(text, HidReport::VersionItem);
    const QString shaped = HidReport::reshapeVersion(version);
    // Either left as it came or cut to "d.dd".
    FUZZ_CHECK(shaped == version || shaped.size() <= 4);
    Q_UNUSED(name);
    return 0;
}
