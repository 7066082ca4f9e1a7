// The cost of one log line as the workbench writes it (glog to the files LogManager sets up,
// flushed per line) beside its floor: the same bytes through fprintf + fflush to a file in the
// same directory. Also what a line costs when its severity is filtered out, and written on its own
// straight to the file.

#include "benchmarks/benchmarkmain.h"
#include "corviscommon/logbatch.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <cstdio>

namespace {

const QString kSource = QStringLiteral("浏览器");
const QString kIcon = QStringLiteral("https://apps.example.cn/icons/app-0421.png");

void BM_logInfoLine(benchmark::State& state)
{
    for (auto _ : state) {
        LOG(INFO) << "source:" << kSource << ", aum Ico: " << kIcon;
    }
}

void BM_logInfoLineFiltered(benchmark::State& state)
{
    const int32_t saved = FLAGS_minloglevel;
    FLAGS_minloglevel = google::GLOG_WARNING;
    for (auto _ : state) {
        LOG(INFO) << "source:" << kSource << ", aum Ico: " << kIcon;
    }
    FLAGS_minloglevel = saved;
}

// The same line written on its own straight to the INFO file, as the request and push lines are.
void BM_logInfoLineDirect(benchmark::State& state)
{
    for (auto _ : state) {
        corvis::LogBatch line;
        LOG_BATCHED(line) << "source:" << kSource << ", aum Ico: " << kIcon;
    }
}

// The floor: a line of the same length and shape, formatted and flushed by the C library.
void BM_logInfoLine_floor(benchmark::State& state)
{
    const QByteArray path = (corvis::paths::logDir() + QStringLiteral("/floor.log")).toLocal8Bit();
    FILE* file = std::fopen(path.constData(), "a");
    if (file == nullptr) {
        state.SkipWithError("cannot open the floor's file");
        return;
    }
    const QByteArray source = kSource.toLocal8Bit();
    const QByteArray icon = kIcon.toLocal8Bit();
    for (auto _ : state) {
        std::fprintf(file, "I20261206 15:17:48.428562 21987 policyanalyzerapps.cpp:225] source:%s, aum Ico: %s\n",
                     source.constData(), icon.constData());
        std::fflush(file);
    }
    std::fclose(file);
}

}  // namespace

BENCHMARK(BM_logInfoLine);
BENCHMARK(BM_logInfoLineFiltered);
BENCHMARK(BM_logInfoLineDirect);
BENCHMARK(BM_logInfoLine_floor);

int main(int argc, char** argv) { return runBenchmarksInOwnPrefix(argc, argv); }
