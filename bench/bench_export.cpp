// Cost and size of exporting a dense plot: one series of N points (noise with
// rare spikes, as a C/N0 trace with dropouts) in a 1600 x 900 plot with both
// scales, axis titles and a legend, saved as PNG, PDF and SVG.  Prints wall
// time and file size per format.
//
//   bench_export [N ...]      (default 1000000 10000000)

#include <zebplot/zebplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

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
    std::printf("%-10s %-6s %10s %12s\n", "points", "format", "ms", "bytes");
    for (const long long n : counts) {
        LinearGrid xGrid(VERTICAL, nullptr);
        LinearGrid yGrid(HORIZONTAL, nullptr);
        XYPlot plot(true, false, false, nullptr);
        plot.getCanvas()->setGrid(VERTICAL, &xGrid, false);
        plot.getCanvas()->setGrid(HORIZONTAL, &yGrid, false);
        auto* x = new DataArrayTemplate<double>();
        auto* y = new DataArrayTemplate<double>();
        XYDataSet dataSet(x, y, "C/N0 G05 L1", Qt::darkBlue, SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
        std::mt19937 random(1);
        std::normal_distribution<double> noise(45, 2);
        for (long long i = 0; i < n; ++i) {
            x->append(double(i));
            y->append(i % 250007 == 0 ? 10.0 : noise(random));
        }
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
            const qint64 ms = timer.elapsed();
            std::printf("%-10lld %-6s %10lld %12lld%s\n", n, format, ms, QFileInfo(path).size(), ok ? "" : " FAILED");
            std::fflush(stdout);
        }
        plot.removeAllDataSets();
    }
    return 0;
}
