// A complete plot as a host application would build it: titles, both scales,
// scroll bars, a checkable legend at the right, three signal-strength curves
// on a shared time array, a fix-mode colour bar with a value-based look whose
// "no fix" epochs are switched off (and masked out of one curve), and line,
// band, ellipse and cross markers.  Writes into the directory given:
//
//   plot_widget.png      the widget as it shows on screen (QWidget::grab)
//   plot_1200x800.png    renderToPixmap at 1200 x 800 with print settings
//   plot_2400x1600.png   renderToPixmap at 2400 x 1600, everything twice as big
//   plot_widget_after.png  the widget again after the renderings (it must not have changed)
//
//   plotgallery [output-directory]
#include <zebplot/zebplot.h>
#include "gallerymarkers.h"
#include "printsettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>

#include <cmath>
#include <cstdio>

namespace {

// Lets the deferred work (scale set-up, legend rebuilds, drawing) run.
void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(const QPixmap& pixmap, const QString& path)
{
    const bool ok = pixmap.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(path), pixmap.width(),
                pixmap.height());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Writes PNGs and exits: nobody is there to answer a message box.
    zebplotUserInteractionDisabled = true;
    const QDir directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!directory.exists() && !QDir().mkpath(directory.path())) {
        std::printf("cannot create %s\n", qPrintable(directory.path()));
        return 1;
    }

    // The grids belong to the host and outlive the plot.
    LinearGrid xGrid(VERTICAL, nullptr);
    LinearGrid yGrid(HORIZONTAL, nullptr);
    QList<XYDataSet*> dataSets;
    QList<ColorBarDrawListener*> colorBarListeners;
    bool ok = true;
    {
        XYPlot plot(true, false, false, nullptr);
        plot.setPlotTitle(QStringLiteral("Receiver 1 - signal quality"));
        plot.setAxisTitle(HORIZONTAL, QStringLiteral("Time (s)"));
        plot.setAxisTitle(VERTICAL, QStringLiteral("C/N0 (dB-Hz)"));
        XYCanvas* canvas = plot.getCanvas();
        canvas->setGrid(VERTICAL, &xGrid, false);
        canvas->setGrid(HORIZONTAL, &yGrid, false);
        // Recorded data: no 30000-unit minimum extent, room below the curves for the bar.
        canvas->setInitialDataBounds(Bounds(0, 100, 0, 1));
        canvas->setViewportMargin(0, 0, 40, 10);
        canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, false);
        plot.addScale(VERTICAL, false);
        plot.addScale(HORIZONTAL, true);
        plot.setLabelType(VERTICAL, LABEL_ON_SCALE);
        plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);

        // Three curves on one time array.
        auto* time = new DataArrayTemplate<double>();
        const QColor colors[] = {QColor(31, 119, 180), QColor(44, 160, 44), QColor(214, 39, 40)};
        const char* names[] = {"G05 L1", "G12 L1", "E24 E1"};
        QList<DataArrayTemplate<double>*> curves;
        for (int k = 0; k < 3; ++k) {
            auto* y = new DataArrayTemplate<double>();
            curves.append(y);
            dataSets.append(new XYDataSet(time, y, names[k], colors[k], SYMBOL_NONE, Qt::SolidLine, 1));
        }
        // Sparse symbols: a check every five minutes.
        auto* checks = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                     QStringLiteral("Checks"), QColor(148, 103, 189), SYMBOL_CIRCLE, Qt::NoPen, 2);
        dataSets.append(checks);

        // Fix mode as a colour bar along the bottom, its appearance by value.
        auto* bar = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                  QStringLiteral("Fix mode Bar"), Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 8);
        auto* fixLook = new ValueBasedLook(bar, Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 8);
        fixLook->setColorBar(-14);
        fixLook->addTableEntry(0, QColor(0, 160, 0), QStringLiteral("3D fix"));
        fixLook->addTableEntry(1, QColor(240, 190, 0), QStringLiteral("2D fix"));
        fixLook->addTableEntry(2, QColor(220, 40, 40), QStringLiteral("No fix"));
        auto* listener = new ColorBarDrawListener(bar);
        bar->setDrawListener(listener);
        colorBarListeners.append(listener);
        dataSets.append(bar);

        // E24 is masked wherever the bar shows an appearance switched off.
        dataSets[2]->setFilter(new ViewportMaskFilter(dataSets[2], &colorBarListeners));

        for (int i = 0; i <= 1800; ++i) {
            const double t = 2.0 * i;
            time->append(t);
            curves[0]->append(42 + 5 * std::sin(t / 500.0) + 1.2 * std::sin(t * 0.37));
            curves[1]->append(i > 750 && i < 850 ? std::nan("") : 36 + 4 * std::cos(t / 700.0) + std::sin(t * 1.7));
            curves[2]->append(28 + 9 * t / 3600.0 + 0.8 * std::sin(t * 0.9));
            // The fix mode comes with every epoch, so the bar's mask covers
            // every pixel column the curves use.
            const int mode = (i / 150) % 4 == 3 ? 2 : ((i / 150) % 4 == 1 ? 1 : 0);
            bar->append(t, mode);
        }
        for (int i = 0; i <= 12; ++i)
            checks->append(i * 300.0, 48 + (i % 3));
        // The user switched the "no fix" epochs off in the bar's legend.
        listener->filterEntry(fixLook->getLookEntryByLegendText(QStringLiteral("No fix")), true);

        for (XYDataSet* dataSet : std::as_const(dataSets))
            plot.addDataSet(dataSet);
        plot.addLegend(true, LEGEND_RIGHT, nullptr);

        Marker_t threshold = trackingThresholdMarker();
        plot.addMarker(&threshold);
        Marker_t now = nowMarker();
        plot.addMarker(&now);
        BandMarker_t outage{MARKER_BACKGROUND, VERTICAL, 1500, 1700, QColor(255, 160, 0, 60),
                            QStringLiteral("outage")};
        plot.addBandMarker(&outage);
        EllipseMarker_t ellipse{2400, 40, 6, 500, 0, QColor(120, 0, 160), Qt::SolidLine, 2};
        plot.addEllipseMarker(&ellipse);
        CrossMarker_t cross{900, 44, 8, Qt::black, Qt::SolidLine, 2};
        plot.addCrossMarker(&cross);

        canvas->updateBounds();
        plot.resize(1100, 650);
        plot.show();
        settle(800);
        plot.redrawCanvasWithoutInterruption();
        settle(300);

        ok = save(plot.grab(), directory.filePath(QStringLiteral("plot_widget.png")));
        const QString caption = QStringLiteral("Receiver 1, 2024-05-01, 00:00 to 01:00 GNSS time");
        ok = save(plot.renderToPixmap(QSize(1200, 800), printSettings(1, 12), true, true, caption),
                  directory.filePath(QStringLiteral("plot_1200x800.png")))
            && ok;
        ok = save(plot.renderToPixmap(QSize(2400, 1600), printSettings(2, 12), true, true, caption),
                  directory.filePath(QStringLiteral("plot_2400x1600.png")))
            && ok;
        // The widget looks as before the renderings.
        settle(300);
        ok = save(plot.grab(), directory.filePath(QStringLiteral("plot_widget_after.png"))) && ok;

        plot.hide();
    }
    // The time array is shared: each data set drops its reference.
    qDeleteAll(dataSets);
    return ok ? 0 : 1;
}
