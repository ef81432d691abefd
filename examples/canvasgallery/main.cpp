// A tour of what the canvas draws: lines, symbols, a colour bar, gaps and NaNs,
// line, band, ellipse and cross markers, and both grids.  Writes a PNG.
//
//   canvasgallery [output.png] [width] [height]
#include <zebplot/zebplot.h>
#include "gallerymarkers.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Writes PNGs and exits: nobody is there to answer a message box.
    zebplotUserInteractionDisabled = true;
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("canvasgallery.png");
    const int width = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int height = argc > 3 ? std::atoi(argv[3]) : 600;

    QList<XYDataSet*> dataSets;
    QList<Marker_t*> markers;
    QList<EllipseMarker_t*> ellipses;
    QList<CrossMarker_t*> crosses;
    QList<BandMarker_t*> bands;
    XYCanvas canvas(&dataSets, &markers, &ellipses, &crosses, &bands, false, nullptr);

    // One shared time axis for three signal-strength-like curves.
    auto* time = new DataArrayTemplate<double>();
    QList<DataArrayTemplate<double>*> ys;
    const QColor colors[] = {QColor(31, 119, 180), QColor(44, 160, 44), QColor(214, 39, 40)};
    const char* names[] = {"G05", "G12", "E24"};
    for (int k = 0; k < 3; ++k) {
        auto* y = new DataArrayTemplate<double>();
        ys.append(y);
        dataSets.append(new XYDataSet(time, y, names[k], colors[k], SYMBOL_NONE, Qt::SolidLine, k == 2 ? 2 : 1,
                                      nullptr));
    }
    for (int i = 0; i <= 3600; ++i) {
        const double t = i;
        time->append(t);
        ys[0]->append(40 + 6 * std::sin(t / 500.0) + 1.5 * std::sin(t * 0.37));
        // A gap: the second receiver channel loses lock for a while.
        ys[1]->append(i > 1500 && i < 1700 ? std::nan("") : 33 + 4 * std::cos(t / 700.0) + std::sin(t * 1.7));
        ys[2]->append(25 + 10 * t / 3600.0 + 0.8 * std::sin(t * 0.9));
    }
    dataSets[0]->getLook()->changeFromLast(QColor(31, 119, 180));

    // Sparse symbols: a measurement every five minutes.
    auto* sx = new DataArrayTemplate<double>();
    auto* sy = new DataArrayTemplate<double>();
    auto* symbols = new XYDataSet(sx, sy, "checks", QColor(148, 103, 189), SYMBOL_CIRCLE, Qt::NoPen, 2, nullptr);
    for (int i = 0; i <= 12; ++i)
        symbols->append(i * 300.0, 47 + (i % 3));
    dataSets.append(symbols);

    // A fix-mode colour bar along the bottom.
    auto* bx = new DataArrayTemplate<double>();
    auto* by = new DataArrayTemplate<double>();
    auto* bar = new XYDataSet(bx, by, "fix mode", Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 8, nullptr);
    bar->getLook()->setColorBar(-12);
    const QColor modes[] = {QColor(0, 160, 0), QColor(240, 190, 0), QColor(220, 40, 40)};
    for (int i = 0; i <= 3600; i += 10) {
        const int mode = (i / 600) % 3;
        if (i % 600 == 0)
            bar->getLook()->changeFromLast(modes[mode], SYMBOL_NONE, Qt::SolidLine, 8);
        bar->append(i, mode);
    }
    dataSets.append(bar);

    // Markers on both layers.
    Marker_t threshold = trackingThresholdMarker();
    markers.append(&threshold);
    Marker_t now = nowMarker();
    markers.append(&now);
    BandMarker_t outage{MARKER_BACKGROUND, VERTICAL, 1500, 1700, QColor(255, 160, 0, 60), "outage"};
    BandMarker_t band{MARKER_BACKGROUND, HORIZONTAL, 44, 46, QColor(0, 120, 255, 40), "nominal"};
    bands << &outage << &band;
    EllipseMarker_t ellipse{2400, 38, 6, 500, 0, QColor(120, 0, 160), Qt::SolidLine, 2};
    ellipses << &ellipse;
    CrossMarker_t cross{900, 42, 8, Qt::black, Qt::SolidLine, 2};
    crosses << &cross;

    LinearGrid xGrid(VERTICAL, nullptr);
    LinearGrid yGrid(HORIZONTAL, nullptr);
    canvas.setGrid(VERTICAL, &xGrid, false);
    canvas.setGrid(HORIZONTAL, &yGrid, false);
    // Recorded data: no 30000-unit minimum extent, a little room above and below the curves.
    canvas.setInitialDataBounds(Bounds(0, 100, 0, 1));
    canvas.setViewportMargin(0, 0, 30, 20);
    canvas.setHorizontalViewBoundsUpdatePolicy(XYCanvas::FullViewBounds, false);
    canvas.updateBounds();

    // At the screen's device pixel ratio (QT_SCALE_FACTOR=2 gives a picture
    // of the same logical size with twice the pixels across).
    const qreal ratio = app.devicePixelRatio();
    QImage image(QSize(width, height) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    canvas.setContinueBackgroundDrawingUntilFinished(true);
    canvas.drawCanvas(&painter);
    painter.end();
    const bool ok = image.save(output);
    std::printf("%s %s (%dx%d at ratio %g)\n", ok ? "wrote" : "could not write", qPrintable(output), width, height,
                ratio);

    qDeleteAll(dataSets);
    return ok ? 0 : 1;
}
