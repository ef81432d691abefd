// Cost of legends with many entries: a receiver tracking four systems on three
// signals has 120 to 150 signals, each a series with a legend entry.
//
// Workloads: series added one by one to a time plot as a host does
// (TimePlotWidget::addDataSet, then updateLegend, which rebuilds the legend);
// building a legend of 1000 entries at once; rendering a plot with that legend
// into a pixmap; and a colour bar whose appearances (look-legend entries) show
// up one by one.  Each is timed in CPU time of the process and in wall time.
//
//   bench_legend [--max=N]     (series added one by one: 250, 500, ... up to N, default 2000)

#include <zebplot/zebplot.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

double cpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Stopwatch
{
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = cpuMs();
    void print(char const* what, int n) const
    {
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
        std::printf("| %s | %d | %.1f ms | %.1f ms |\n", what, n, cpuMs() - cpu, wallMs);
        std::fflush(stdout);
    }
};

XYDataSet* newSeries(int i)
{
    auto* dataSet = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                  QString("G%1 L1C").arg(i + 1, 3, 10, QChar('0')),
                                  QColor::fromHsv((i * 37) % 360, 200, 200), SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
    for (int k = 0; k < 10; ++k)
        dataSet->append(1000.0 * k, 40 + (i + k) % 10);
    return dataSet;
}

// Series added one by one, the legend brought up to date after each, then
// the plot rendered for print with its legend.
void addOneByOne(int n, bool render)
{
    std::vector<std::unique_ptr<XYDataSet>> owned;
    TimePlotWidget plot(18, "C/N0", 300, 600, "dB-Hz", false, 1.0, nullptr);
    char what[96];
    {
        Stopwatch watch;
        for (int i = 0; i < n; ++i) {
            owned.emplace_back(newSeries(i));
            plot.addDataSet(owned.back().get(), {});
            plot.updateLegend();
        }
        QApplication::processEvents();
        std::snprintf(what, sizeof what, "add series one by one, legend updated after each");
        watch.print(what, n);
    }
    if (render) {
        plot.getXYPlot()->getCanvas()->updateBounds();
        Stopwatch watch;
        const QPixmap pixmap =
            plot.getXYPlot()->renderToPixmap(QSize(1600, 1200), getDefaultPlotRenderSettings(), true, true, "caption");
        watch.print("render the plot with its legend, 1600 x 1200", n);
    }
    plot.setDataSets({});
}

// A legend built at once for n series.
void buildAtOnce(int n)
{
    std::vector<std::unique_ptr<XYDataSet>> owned;
    QList<XYDataSet*> list;
    for (int i = 0; i < n; ++i) {
        owned.emplace_back(newSeries(i));
        list.append(owned.back().get());
    }
    Stopwatch watch;
    XYLegend legend(&list, true, LEGEND_RIGHT, nullptr, 300, nullptr);
    watch.print("build a legend of all series at once", n);
}

// A colour bar whose appearances turn up one by one; its look legend follows
// each new one.
void lookEntriesOneByOne(int n)
{
    XYDataSet bar(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), "Quality", Qt::gray, SYMBOL_NONE,
                  Qt::SolidLine, 6, nullptr);
    bar.getLook()->setColorBar(-10);
    LookLegend legend(&bar, nullptr);
    Stopwatch watch;
    for (int i = 0; i < n; ++i) {
        bar.append(i, i);
        bar.getLook()->changeFromLast(QColor::fromHsv((i * 7) % 360, 255, 100 + i % 150), SYMBOL_NONE,
                                      Qt::SolidLine, 6);
    }
    watch.print("look-legend entries turning up one by one", n);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Runs unattended: no message box may wait for an answer.
    zebplotUserInteractionDisabled = true;
    int largest = 2000;
    if (argc > 1 && std::strncmp(argv[1], "--max=", 6) == 0)
        largest = std::atoi(argv[1] + 6);

    std::printf("| Workload | Entries | CPU time | Wall time |\n|---|---|---|---|\n");
    for (int n : {250, 500, 1000, 2000}) {
        if (n > largest)
            break;
        addOneByOne(n, n == 1000);
    }
    buildAtOnce(1000);
    lookEntriesOneByOne(300);
    return 0;
}
