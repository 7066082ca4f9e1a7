// The document readers against their floor: each reader beside QJsonDocument::fromJson alone on
// the same bytes, in the same run, logging to files as the workbench does.
//
//   build/bin/bench_policyanalyzer [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
//
// Reader rows are NAME/SIZE/LOG: LOG 1 writes the log files as the workbench does, LOG 0 runs
// with logging at WARNING (the readers' INFO lines filtered).
// Targets: each reader at most 2 x its floor with its lines logged, 1.2 x at WARNING; growth linear.
// The readAppList rows also report the reader's peak memory above the bytes it reads
// (peak_rss_mb) and the document size (document_mb); they and the floor rows report the page
// faults per read (faults_per_read): fresh memory costs more than the parsing.

#include "benchmarks/benchmarkmain.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpath.h"
#include "corviscommon/productpaths.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray appListDocument(int entries)
{
    QByteArray out = "{\"code\": 0, \"msg\": \"success\", \"data\": [\n";
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "  {\"AppID\": \"5c1f0e2a-7d43-4b8e-9a0c-" + n.rightJustified(12, '0') + "\", \"AppName\": \"业务系统" + n +
               "\", \"AppIco\": \"https://portal.example.com/resource/icons/app_" + n +
               ".png?v=20240301\", \"Url\": \"https://app" + n + ".intranet.example.com/login?from=workbench\", " +
               "\"uidclassid\": \"cat-" + QByteArray::number(i % 40) + "\", \"ibrowsertype\": \"" +
               QByteArray::number(i % 2) + "\", \"isProtectApp\": \"0\", \"enable\": 1, \"iAppHide\": \"0\", " +
               "\"collect\": " + QByteArray::number(i % 3 == 0 ? 1 : 0) + ", \"RunMode\": \"1\", \"ResourceType\": \"" +
               QByteArray::number(1 + i % 2) + "\"}" + (i + 1 < entries ? ",\n" : "\n");
    }
    return out + "]}\n";
}

QByteArray appCatDocument(int categories)
{
    QByteArray out = "[\n";
    for (int i = 0; i < categories; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "  {\"icount\": \"" + QByteArray::number(i % 50) + "\", \"uidclassid\": \"cat-" + n +
               "\", \"strdesc\": \"  分类 " + n + "  \", \"acfid\": \"acf-" + n + "\", \"strclassname\": \"Class " + n +
               "\"}" + (i + 1 < categories ? ",\n" : "\n");
    }
    return out + "]\n";
}

// Items spread over the eight sections.
QByteArray accessResultDocument(int items)
{
    static const char* const arraySections[] = {"scrsaverpwd", "advancedConfig", "hostnamecheck",
                                                "firewalldcheck", "highriskports", "rootlogincheck"};
    const int perSection = items / 8;
    auto list = [perSection](const char* what) {
        QByteArray out = "[";
        for (int i = 0; i < perSection; ++i) {
            out += "{\"reason\": \"" + QByteArray(what) + " 第" + QByteArray::number(i) +
                   "项不合规\", \"softname\": \"pkg-" + QByteArray::number(i) +
                   "\", \"repairguideURL\": \"https://help.example.com/repair/" + QByteArray::number(i) + "\"}" +
                   (i + 1 < perSection ? "," : "");
        }
        return out + "]";
    };
    QByteArray out = "{\"avcheck\": {\"avlist\": " + list("av") + "}, \"software\": {\"checktype\": 1, \"softlist\": " +
                     list("soft") + "}";
    for (const char* section : arraySections) {
        out += ", \"" + QByteArray(section) + "\": " + list(section);
    }
    return out + "}\n";
}

// {"code": 0, "data": {"list": [...]}} of login records or messages.
QByteArray listDocument(int entries, bool messages)
{
    QByteArray out = "{\"code\": 0, \"msg\": \"success\", \"data\": {\"total\": " + QByteArray::number(entries) +
                     ", \"list\": [\n";
    for (int i = 0; i < entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (messages) {
            out += "  {\"id\": \"msg-" + n + "\", \"title\": \"系统通知 " + n +
                   "\", \"content\": \"请于本周五前完成终端安全检查，编号 " + n +
                   "。\", \"time\": \"2026-12-06 10:" + QByteArray::number(i % 60).rightJustified(2, '0') + ":00\"}";
        } else {
            out += "  {\"action_time\": \"2026-12-06 09:" + QByteArray::number(i % 60).rightJustified(2, '0') +
                   ":00\", \"auth_type\": \"" + QByteArray::number(1 + i % 16) + "\", \"client_ip\": \"10.20." +
                   QByteArray::number(i / 256 % 256) + "." + QByteArray::number(i % 256) +
                   "\", \"client_mac\": \"52:54:00:12:34:" + QByteArray::number(i % 256, 16).rightJustified(2, '0') +
                   "\", \"description\": \"登录成功 " + n + "\"}";
        }
        out += i + 1 < entries ? ",\n" : "\n";
    }
    return out + "]}}\n";
}

bool writeInstallFile(const char* relative, const QByteArray& bytes)
{
    const QString path = corvis::installPathQ(QString::fromLatin1(relative));
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

long statusKb(const char* key)
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0) {
            value = std::strtol(line + keyLength, nullptr, 10);
        }
    }
    std::fclose(status);
    return value;
}

// The reader's own peak above the resident size before it ran, with the freed heap handed back
// first, so that memory of earlier runs hides nothing. Measured here rather than in a child
// process: a fork leaves every page of this process copy-on-write, and the timed reads after it
// would pay a page fault for each page they write again.
double peakMegabytes(const std::function<void()>& work)
{
    ::malloc_trim(0);
    if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);  // resets the peak to the current resident size
        std::fclose(clear);
    }
    const long before = statusKb("VmRSS:");
    work();
    const long peak = statusKb("VmHWM:");
    return before < 0 || peak < 0 ? -1.0 : double(peak - before) / 1024.0;
}

long minorFaults()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The second argument of each reader row: 1 logs to files as the workbench does, 0 logs at
// WARNING, which shows what the reader costs apart from its INFO lines.
class LogSwitch
{
public:
    explicit LogSwitch(int64_t toFiles) : saved_(FLAGS_minloglevel)
    {
        FLAGS_minloglevel = toFiles != 0 ? google::GLOG_INFO : google::GLOG_WARNING;
    }
    ~LogSwitch() { FLAGS_minloglevel = saved_; }
    LogSwitch(const LogSwitch&) = delete;
    LogSwitch& operator=(const LogSwitch&) = delete;

private:
    int32_t saved_;
};

void floorOf(benchmark::State& state, const QByteArray& bytes)
{
    const long faults = minorFaults();
    for (auto _ : state) {
        QJsonDocument document = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["faults_per_read"] = double(minorFaults() - faults) / double(state.iterations());
}

void BM_readAppList(benchmark::State& state)
{
    const QByteArray bytes = appListDocument(int(state.range(0)));
    if (!writeInstallFile(corvis::paths::rel::kAppListJson, bytes)) {
        state.SkipWithError("cannot write appList.json");
        return;
    }
    const LogSwitch logSwitch(state.range(1));
    QList<st_resource> list;
    // Also the untimed first read: the timed ones find the heap as a workbench reading the list
    // again finds it, as the floor's do.
    const double peak = peakMegabytes([&list] { PolicyAnalyzer::instance()->readAppList(list); });
    const long faults = minorFaults();
    for (auto _ : state) {
        const bool ok = PolicyAnalyzer::instance()->readAppList(list);
        if (!ok || list.size() != state.range(0)) {
            state.SkipWithError("readAppList failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["faults_per_read"] = double(minorFaults() - faults) / double(state.iterations());
    state.counters["peak_rss_mb"] = peak;
    state.counters["document_mb"] = double(bytes.size()) / (1024.0 * 1024.0);
}

void BM_readAppList_floor(benchmark::State& state) { floorOf(state, appListDocument(int(state.range(0)))); }

void BM_readAppCat(benchmark::State& state)
{
    const QByteArray bytes = appCatDocument(int(state.range(0)));
    if (!writeInstallFile(corvis::paths::rel::kAppCatJson, bytes)) {
        state.SkipWithError("cannot write appCat.json");
        return;
    }
    const LogSwitch logSwitch(state.range(1));
    QList<st_appCat> list;
    for (auto _ : state) {
        if (!PolicyAnalyzer::instance()->readAppCat(list) || list.size() != state.range(0)) {
            state.SkipWithError("readAppCat failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_readAppCat_floor(benchmark::State& state) { floorOf(state, appCatDocument(int(state.range(0)))); }

void BM_readAccessResult(benchmark::State& state)
{
    const QByteArray bytes = accessResultDocument(int(state.range(0)));
    if (!writeInstallFile(corvis::paths::rel::kAccessCheckResultJson, bytes)) {
        state.SkipWithError("cannot write accessCheckResult.json");
        return;
    }
    const LogSwitch logSwitch(state.range(1));
    st_accessCheckResult result;
    for (auto _ : state) {
        if (!PolicyAnalyzer::instance()->readAccessResult(result) || result.nodeCount != 8) {
            state.SkipWithError("readAccessResult failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_readAccessResult_floor(benchmark::State& state) { floorOf(state, accessResultDocument(int(state.range(0)))); }

void BM_readLoginAudit(benchmark::State& state)
{
    const QByteArray bytes = listDocument(int(state.range(0)), false);
    if (!writeInstallFile(corvis::paths::rel::kLoginAuditJson, bytes)) {
        state.SkipWithError("cannot write the login audit");
        return;
    }
    const LogSwitch logSwitch(state.range(1));
    QList<st_loginAuditItem> items;
    for (auto _ : state) {
        if (!PolicyAnalyzer::instance()->readLoginAudit(items) || items.size() != state.range(0)) {
            state.SkipWithError("readLoginAudit failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_readLoginAudit_floor(benchmark::State& state) { floorOf(state, listDocument(int(state.range(0)), false)); }

void BM_readInformList(benchmark::State& state)
{
    const QByteArray bytes = listDocument(int(state.range(0)), true);
    if (!writeInstallFile(corvis::paths::rel::kInformListJson, bytes)) {
        state.SkipWithError("cannot write the message list");
        return;
    }
    const LogSwitch logSwitch(state.range(1));
    QList<st_inform> items;
    for (auto _ : state) {
        if (!PolicyAnalyzer::instance()->readInformList(items) || items.size() != state.range(0)) {
            state.SkipWithError("readInformList failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_readInformList_floor(benchmark::State& state) { floorOf(state, listDocument(int(state.range(0)), true)); }

BENCHMARK(BM_readAppList)->ArgsProduct({{1000, 10000, 50000}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readAppList_floor)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readAppCat)->ArgsProduct({{1000}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readAppCat_floor)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readAccessResult)->ArgsProduct({{5000}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readAccessResult_floor)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readLoginAudit)->ArgsProduct({{10000}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readLoginAudit_floor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readInformList)->ArgsProduct({{10000}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readInformList_floor)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return runBenchmarksInOwnPrefix(argc, argv); }
