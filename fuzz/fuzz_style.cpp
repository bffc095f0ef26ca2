// The contents of setting/style.dat.
#include "FuzzSupport.h"

#include "settings/Theme.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), int(size));
    const int style = Theme::parseSavedStyle(contents);
    FUZZ_CHECK(Theme::sheetResource(style).startsWith(QLatin1String(":/qss/")));
    return 0;
}
