// Throughput of the data arrays: appending a live stream, reading for drawing,
// searching a long time array, and reading run-length integer series.

#include <zebplot/zebplot.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kTenMillion = 10000000;

// Appending a live stream with nothing connected to the array's signals.
void BM_AppendDouble(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        DataArrayTemplate<double> a;
        for (int i = 0; i < n; ++i)
            a.append(i * 0.5);
        benchmark::DoNotOptimize(a.getMean());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendDouble)->Arg(1000000)->Arg(kTenMillion)->Unit(benchmark::kMillisecond);

// The same with a receiver on dataChanged() (what a data set or a look does).
void BM_AppendDoubleConnected(benchmark::State& state)
{
    const int n = int(state.range(0));
    long long changes = 0;
    for (auto _ : state) {
        DataArrayTemplate<double> a;
        QObject::connect(&a, &DataArray::dataChanged, [&changes] { ++changes; });
        for (int i = 0; i < n; ++i)
            a.append(i * 0.5);
    }
    benchmark::DoNotOptimize(changes);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendDoubleConnected)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A bounded live series: append, and drop the oldest block now and then.
void BM_AppendWithLeftShift(benchmark::State& state)
{
    const int n = kTenMillion;
    for (auto _ : state) {
        DataArrayTemplate<double> a;
        for (int i = 0; i < n; ++i) {
            a.append(i);
            if (a.dataSize() == 200000)
                a.leftshift(100000);
        }
        benchmark::DoNotOptimize(a.getMean());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendWithLeftShift)->Unit(benchmark::kMillisecond);

std::unique_ptr<DataArrayTemplate<double>> sortedArray()
{
    auto a = std::make_unique<DataArrayTemplate<double>>();
    for (int i = 0; i < kTenMillion; ++i)
        a->append(i * 0.1);
    return a;
}

const DataArrayTemplate<double>& sharedSorted()
{
    static const std::unique_ptr<DataArrayTemplate<double>> a = sortedArray();
    return *a;
}

void BM_SequentialGetValue(benchmark::State& state)
{
    const DataArray& a = sharedSorted();
    for (auto _ : state) {
        double sum = 0;
        const int n = a.dataSize();
        for (int i = 0; i < n; ++i)
            sum += a.getValue(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_SequentialGetValue)->Unit(benchmark::kMillisecond);

void BM_SequentialValueAt(benchmark::State& state)
{
    const DataArrayTemplate<double>& a = sharedSorted();
    for (auto _ : state) {
        double sum = 0;
        const int n = a.dataSize();
        for (int i = 0; i < n; ++i)
            sum += a.valueAt(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_SequentialValueAt)->Unit(benchmark::kMillisecond);

void BM_SequentialConstData(benchmark::State& state)
{
    const DataArrayTemplate<double>& a = sharedSorted();
    for (auto _ : state) {
        double sum = 0;
        const double* values = a.constData();
        const int n = a.dataSize();
        for (int i = 0; i < n; ++i)
            sum += values[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_SequentialConstData)->Unit(benchmark::kMillisecond);

// Random queries inside the covered range (0 .. 999999.9).
std::vector<double> queries()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(-10.0, kTenMillion * 0.1 + 10.0);
    std::vector<double> q(4096);
    for (double& v : q)
        v = d(rng);
    return q;
}

template <typename Search>
void runSearch(benchmark::State& state, Search search)
{
    const DataArray& a = sharedSorted();
    const std::vector<double> q = queries();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(search(a, q[k]));
        k = (k + 1) & (q.size() - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SearchFirstLargerOrEqual(benchmark::State& state)
{
    runSearch(state, [](const DataArray& a, double v) { return a.getIndexOfFirstValueLargerThanOrEqual(v); });
}
void BM_SearchLargestSmallerOrEqual(benchmark::State& state)
{
    runSearch(state, [](const DataArray& a, double v) { return a.getLargestIndexOfValueSmallerThanOrEqual(v); });
}
void BM_SearchInterpolatedIndex(benchmark::State& state)
{
    runSearch(state, [](const DataArray& a, double v) { return a.getInterpolatedIndexOfValue(v); });
}
void BM_SearchNearest(benchmark::State& state)
{
    runSearch(state, [](const DataArray& a, double v) { return a.getIndexOfNearestValue(v); });
}
void BM_SearchPosOf(benchmark::State& state)
{
    // Half of the queries hit a stored value exactly.
    runSearch(state, [](const DataArray& a, double v) { return a.posOf(double(qint64(v * 10)) / 10); });
}
void BM_InterpolatedValue(benchmark::State& state)
{
    runSearch(state, [](const DataArray& a, double v) { return a.getInterpolatedValue(v * 9.99); });
}
BENCHMARK(BM_SearchFirstLargerOrEqual);
BENCHMARK(BM_SearchLargestSmallerOrEqual);
BENCHMARK(BM_SearchInterpolatedIndex);
BENCHMARK(BM_SearchNearest);
BENCHMARK(BM_SearchPosOf);
BENCHMARK(BM_InterpolatedValue);

// Run-length integer series: 10 M values in runs of `range(0)` values.
void BM_CompressedSequentialRead(benchmark::State& state)
{
    const int run = int(state.range(0));
    CompressedDataArrayTemplate<int> a;
    for (int i = 0; i < kTenMillion; ++i)
        a.appendTyped(i / run * 3 + (i % run) * ((i / run) % 2)); // alternating flat and step-1 runs
    state.counters["chunks"] = a.chunkCount();
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < kTenMillion; ++i)
            sum += a.getValue(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_CompressedSequentialRead)->Arg(kTenMillion)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_CompressedAppend(benchmark::State& state)
{
    for (auto _ : state) {
        CompressedDataArrayTemplate<int> a;
        for (int i = 0; i < kTenMillion; ++i)
            a.appendTyped(i / 10);
        benchmark::DoNotOptimize(a.chunkCount());
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_CompressedAppend)->Unit(benchmark::kMillisecond);

} // namespace

// Runs unattended: no message box may wait for an answer.
[[maybe_unused]] static const bool unattended = (zebplotUserInteractionDisabled = true);

BENCHMARK_MAIN();
