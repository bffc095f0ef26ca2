// The contents of setting/config.json.
#include "FuzzSupport.h"

#include "settings/ConfigFile.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), int(size));
    AppConfig config;
    config.productName = QStringLiteral("kept");
    if (!ConfigFile::parse(contents, config))
        FUZZ_CHECK(config.productName == QLatin1String("kept"));
    return 0;
}
