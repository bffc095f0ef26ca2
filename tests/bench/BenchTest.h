#pragma once

#include "DeviceBench.h"

#include <QtTest>

#include <cstdio>

// The test runs again under umockdev's preload before Qt starts, so that hidapi and
// libudev see the bench instead of the machine's devices.
#define KESTREL_BENCH_MAIN(TestObject, Application)                                        \
    int main(int argc, char **argv)                                                        \
    {                                                                                      \
        if (!DeviceBench::ensurePreloaded(argv)) {                                         \
            std::fprintf(stderr, "cannot restart under libumockdev-preload.so.0\n");       \
            return 1;                                                                      \
        }                                                                                  \
        Application app(argc, argv);                                                       \
        TestObject test;                                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&test, argc, argv);                                            \
    }

// Lets a bench test refuse to run on a bench that did not come up.
#define KESTREL_REQUIRE_BENCH(bench) \
    QVERIFY2((bench).isValid(), qPrintable((bench).errorString()))
