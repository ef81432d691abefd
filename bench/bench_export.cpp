// Cost and size of exporting a dense plot: one series of N points (noise with
// rare spikes, as a C/N0 trace with dropouts) in a 1600 x 900 plot with both
// scales, axis titles and a legend, saved as PNG, PDF and SVG.  Prints wall
// time and file size per format; with the peer plotting widget found at build
// time, also its own PDF export of the same series ("peer-pdf").
//
//   bench_export [N ...]      (default 1000000 10000000)

#include <zebplot/zebplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

#ifdef ZEBPLOT_BENCH_HAVE_PEER
#include <qcustomplot.h>
#endif

namespace {

// The series: noise about 45 with a dropout to 10 every 250007 samples.
template <typename Append>
void generate(long long n, Append&& append)
{
    std::mt19937 random(1);
    std::normal_distribution<double> noise(45, 2);
    for (long long i = 0; i < n; ++i)
        append(double(i), i % 250007 == 0 ? 10.0 : noise(random));
}

void report(long long n, char const* format, qint64 ms, QString const& path, bool ok)
{
    std::printf("%-10lld %-9s %10lld %12lld%s\n", n, format, ms, QFileInfo(path).size(), ok ? "" : " FAILED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    zebplotUserInteractionDisabled = true;
    QList<long long> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QByteArray(argv[i]).toLongLong());
    if (counts.isEmpty())
        counts = {1000000, 10000000};
    QTemporaryDir dir;
    std::printf("%-10s %-9s %10s %12s\n", "points", "format", "ms", "bytes");
    for (const long long n : counts) {
        LinearGrid xGrid(VERTICAL, nullptr);
        LinearGrid yGrid(HORIZONTAL, nullptr);
        XYPlot plot(true, false, false, nullptr);
        plot.getCanvas()->setGrid(VERTICAL, &xGrid, false);
        plot.getCanvas()->setGrid(HORIZONTAL, &yGrid, false);
        auto* x = new DataArrayTemplate<double>();
        auto* y = new DataArrayTemplate<double>();
        XYDataSet dataSet(x, y, "C/N0 G05 L1", Qt::darkBlue, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
        generate(n, [&](double xv, double yv) {
            x->append(xv);
            y->append(yv);
        });
        plot.addDataSet(&dataSet);
        plot.getCanvas()->updateBounds();
        plot.addScale(VERTICAL, false);
        plot.addScale(HORIZONTAL, true);
        plot.setLabelType(VERTICAL, LABEL_ON_SCALE);
        plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);
        plot.setAxisTitle(VERTICAL, "C/N0 (dB-Hz)");
        plot.setAxisTitle(HORIZONTAL, "Epoch");
        plot.addLegend(false, LEGEND_RIGHT, nullptr);
        for (const char* format : {"png", "pdf", "svg"}) {
            const QString path = dir.filePath(QStringLiteral("plot.") + QLatin1String(format));
            QElapsedTimer timer;
            timer.start();
            const bool ok = plot.saveToFile(path, QSize(1600, 900), 96, getDefaultPlotRenderSettings(), true, true,
                                            "bench_export");
            report(n, format, timer.elapsed(), path, ok);
        }
        plot.removeAllDataSets();
#ifdef ZEBPLOT_BENCH_HAVE_PEER
        {
            // The same plot in the peer: axis labels, a legend, the series
            // with the peer's defaults (adaptive sampling on).
            QCustomPlot peer;
            peer.resize(1600, 900);
            QCPGraph* graph = peer.addGraph();
            graph->setName("C/N0 G05 L1");
            graph->setPen(QPen(Qt::darkBlue));
            QVector<double> keys;
            QVector<double> values;
            keys.reserve(n);
            values.reserve(n);
            generate(n, [&](double xv, double yv) {
                keys.append(xv);
                values.append(yv);
            });
            graph->setData(keys, values, true);
            peer.xAxis->setLabel("Epoch");
            peer.yAxis->setLabel("C/N0 (dB-Hz)");
            peer.legend->setVisible(true);
            peer.rescaleAxes();
            const QString path = dir.filePath(QStringLiteral("peer.pdf"));
            QElapsedTimer timer;
            timer.start();
            const bool ok = peer.savePdf(path, 1600, 900);
            report(n, "peer-pdf", timer.elapsed(), path, ok);
        }
#endif
    }
    return 0;
}
