// The release server's answer to a getOtaInfo lookup.
#include "FuzzSupport.h"

#include "release/ReleaseInfo.h"

#include <QString>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const ReleaseInfo info = parseReleaseInfo(answer);
    isRefusedReleaseAnswer(answer);
    // Nothing comes out of an answer that was not JSON at all.
    if (!answer.contains(QLatin1Char('{')))
        FUZZ_CHECK(info.isEmpty());
    return 0;
}
