#pragma once

// main() of a Google Benchmark executable: a prefix of its own under /tmp (removed at the end)
// and the log going to files there as in the workbench, then the benchmarks.

#include "app/logmanager.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <memory>

inline int runBenchmarksInOwnPrefix(int argc, char** argv)
{
    QTemporaryDir prefix(QStringLiteral("/tmp/cvbbench.XXXXXX"));
    if (!prefix.isValid()) {
        std::fprintf(stderr, "%s: cannot create a prefix\n", argv[0]);
        return 1;
    }
    qputenv("CORVISBENCH_PREFIX", prefix.path().toLocal8Bit());
    auto log = std::make_unique<LogManager>(argv[0]);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
