// Cost of appearance look-ups: appending with a value-based look connected, and
// walking a look with many appearance changes index by index as drawing does.

#include <zebplot/zebplot.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTenMillion = 10000000;

// A status series whose appearance follows its value through a table.
void BM_AppendWithValueBasedLook(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        auto* x = new DataArrayTemplate<double>();
        auto* y = new DataArrayTemplate<double>();
        XYDataSet dataSet(x, y, "fix", Qt::black, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
        auto* look = new ValueBasedLook(&dataSet, Qt::black, SYMBOL_NONE, Qt::SolidLine, 1);
        look->addTableEntry(0, Qt::green, "fix");
        look->addTableEntry(1, Qt::yellow, "float");
        look->addTableEntry(2, Qt::red, "none");
        for (int i = 0; i < n; ++i)
            dataSet.append(i, (i / 1000) % 3);
        benchmark::DoNotOptimize(look->getPresentLookEntries().size());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendWithValueBasedLook)->Arg(1000000)->Unit(benchmark::kMillisecond);

// getApplicableLookEntry walked upwards over 10 M indices of a look with 1000
// changes: the probe of the last position and its successor keeps it O(1).
void BM_LookSequentialWalk(benchmark::State& state)
{
    auto* x = new DataArrayTemplate<double>();
    auto* y = new DataArrayTemplate<double>();
    XYDataSet dataSet(x, y, "walk", Qt::black, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    Look* look = dataSet.getLook();
    const int changes = 1000;
    for (int i = 0; i < kTenMillion; ++i) {
        dataSet.append(i, i);
        if (i % (kTenMillion / changes) == 0)
            look->changeFromLast(QColor::fromHsv((i / (kTenMillion / changes)) % 360, 255, 200));
    }
    for (auto _ : state) {
        int sum = 0;
        for (int i = 0; i < kTenMillion; ++i)
            sum += look->getApplicableLookEntry(i).lineThickness;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kTenMillion);
}
BENCHMARK(BM_LookSequentialWalk)->Unit(benchmark::kMillisecond);

} // namespace

// Runs unattended: no message box may wait for an answer.
[[maybe_unused]] static const bool unattended = (zebplotUserInteractionDisabled = true);

BENCHMARK_MAIN();
