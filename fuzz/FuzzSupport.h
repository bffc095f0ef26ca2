#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// The parsers write debug lines for every input; a fuzzer run would spend its time
// printing them.
inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// A broken property is a finding like a crash: stop here so the input is kept.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition))                                                                \
            __builtin_trap();                                                            \
    } while (0)
