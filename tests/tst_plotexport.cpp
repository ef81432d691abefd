#include "plottesthelpers.h"

#include <QtTest>

#include <QBuffer>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>

namespace {

const QSize kSize(900, 560);
const QString kCaption = QStringLiteral("Receiver 1, 1 May");

// Pixels of a colour family, also where a thin line is blended with white.
enum Family { Red, Blue, Green, Magenta };
bool inFamily(QRgb pixel, Family family)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    switch (family) {
    case Red: return r > g + 60 && r > b + 60;
    case Blue: return b > r + 60 && b > g + 60;
    case Green: return g > r + 60 && g > b + 60;
    case Magenta: return r > g + 40 && b > g + 40;
    }
    return false;
}

// The share of a's pixels matching the predicate that have a pixel in b
// within radius that matches it (or the looser one): 1 when b has
// everything of a where a has it.
template <typename Match, typename Loose>
double found(QImage const& a, QImage const& b, int radius, Match match, Loose loose)
{
    int total = 0, hits = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (match(a.pixel(x, y)) && ++total)
                hits += countPixels(b, loose, QRect(x - radius, y - radius, 2 * radius + 1, 2 * radius + 1)) > 0;
    return total == 0 ? 0.0 : double(hits) / total;
}

// A vector rendering shows the curves, colour bar, marker and texts where the
// pixmap rendering has them, and nothing where it has none.
void compareLayout(QImage const& pixmap, QImage const& other)
{
    QCOMPARE(other.size(), pixmap.size());
    for (const Family family : {Red, Blue, Green, Magenta}) {
        auto match = [&](QRgb pixel) { return inFamily(pixel, family); };
        QVERIFY2(found(pixmap, other, 3, match, match) > 0.95, qPrintable(QString::number(family)));
        QVERIFY2(found(other, pixmap, 3, match, match) > 0.95, qPrintable(QString::number(family)));
    }
    // Texts and scales; a glyph may come out lighter at another resolution.
    auto dark = [](QRgb pixel) { return qGray(pixel) < 80; };
    auto grey = [](QRgb pixel) { return qGray(pixel) < 180; };
    QVERIFY(found(pixmap, other, 3, dark, grey) > 0.95);
    QVERIFY(found(other, pixmap, 3, dark, grey) > 0.95);
}

QString tool(char const* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// The standard output of a successful run, else a null array.
QByteArray run(QString const& program, QStringList const& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput() + ' ';
}

} // namespace

class TestPlotExport : public QObject
{
    Q_OBJECT

private slots:
    void svgKeepsTheLayout()
    {
        RichPlot rich;
        // The yellow part of the colour bar runs on beyond the view's right edge.
        for (int x = 20; x < 60; ++x)
            rich.dataSets[2]->append(x, 1);
        const PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
        const QImage pixmap = rich.plot.renderToPixmap(kSize, settings, true, true, kCaption).toImage();
        QTemporaryDir dir;
        const QString path = dir.filePath("plot.svg");
        QVERIFY(rich.plot.saveToFile(path, kSize, 96, settings, true, true, kCaption));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        // Texts stay texts, and nothing is a picture, the legend's symbols included.
        QVERIFY(svg.contains("GPS L1") && svg.contains("C/N0 (dB-Hz)") && svg.contains("Receiver 1"));
        QVERIFY(!svg.contains("<image"));

        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        auto render = [&](QSize size) {
            return paintedImage(size, Qt::white, [&](QPainter* painter) { renderer.render(painter); });
        };
        const QImage image = render(kSize);
        compareLayout(pixmap, image);
        // SVG has no clipping: nothing may be drawn outside its part, such as
        // ticks below the end of the y-axis scale.
        const QRect frame = darkBox(pixmap, QRect(0, 0, kSize.width(), 1));
        const QRect corner(0, kSize.height() - 50, frame.left(), 50);
        QCOMPARE(darkBox(image, corner, 200), darkBox(pixmap, corner, 200));
        // Nor the colour bar beyond the canvas's right edge, which it reaches in
        // one even colour, without seams where its segments meet, also read back
        // at twice its default size (segment ends then fall between pixels).
        const QImage sharp = render(2 * renderer.defaultSize());
        const double scale = double(sharp.width()) / kSize.width();
        auto yellow = [](QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) < 80; };
        int barTop = 0;
        while (barTop < kSize.height() && !yellow(pixmap.pixel(frame.center().x(), barTop)))
            ++barTop;
        const int row = qRound((barTop + 3) * scale);
        const int right = qRound((frame.right() + 1) * scale);
        for (int x = qRound(frame.center().x() * scale); x < right - 8; ++x)
            QCOMPARE(sharp.pixel(x, row), qRgb(255, 255, 0));
        for (int x = right + 2; x < right + 12; ++x)
            QCOMPARE(sharp.pixel(x, row), qRgb(255, 255, 255));
        // At exactly twice the size the frame covers the device pixels of the
        // canvas's last column, as on the raster, and the bar ends under it;
        // so does a raster at ratio 2.
        const QImage twice = render(2 * kSize);
        const QImage raster2 = rich.plot.renderToPixmap(kSize, settings, true, true, kCaption, 2.0).toImage();
        for (int x = 2 * frame.right() - 2; x < 2 * frame.right() + 4; ++x) {
            QCOMPARE(twice.pixel(x, 2 * barTop + 6), pixmap.pixel(x / 2, barTop + 3));
            QCOMPARE(raster2.pixel(x, 2 * barTop + 6), pixmap.pixel(x / 2, barTop + 3));
        }
    }

    void svgCutsDataAtTheCanvasEdges()
    {
        // Thick lines along three edges, large symbols at the corners, a thick
        // marker on the right edge and a cross on the left one: a raster's clip
        // cuts them at the canvas's edges, an SVG file has no clipping.
        Marker_t edge{MARKER_FOREGROUND, VERTICAL, 40, Qt::cyan, Qt::SolidLine, 6, QString()};
        CrossMarker_t cross{0, 0, 20, Qt::cyan, Qt::SolidLine, 6};
        RichPlot rich;
        auto* edges = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(), "edges",
                                    Qt::cyan, SYMBOL_SQUARE, Qt::SolidLine, 6);
        edges->getLook()->setSymbolSize(24);
        for (const QPointF p : {QPointF(0, -4), QPointF(0, 4), QPointF(40, 4), QPointF(40, -4)})
            edges->append(p.x(), p.y());
        rich.dataSets.append(edges);
        rich.plot.addDataSet(edges);
        rich.plot.addMarker(&edge);
        rich.plot.addCrossMarker(&cross);
        rich.plot.getCanvas()->zoomTo(Bounds(0, 40, -4, 4));

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(340, 240));
        generator.setViewBox(QRect(0, 0, 340, 240));
        {
            QPainter painter(&generator);
            rich.plot.getCanvas()->drawCanvasOnto(&painter, QRect(20, 20, 300, 200));
        }
        QSvgRenderer renderer(buffer.data());
        const QImage image = paintedImage(QSize(680, 480), Qt::white, [&](QPainter* p) { renderer.render(p); });
        auto cyan = [](QRgb p) { return qGreen(p) > qRed(p) + 60 && qBlue(p) > qRed(p) + 60; };
        const QRect canvas(40, 40, 600, 400);
        QCOMPARE(countPixels(image, cyan), countPixels(image, cyan, canvas));
        // Cut, not left out: each edge is reached.
        for (const QRect strip : {QRect(40, 40, 2, 400), QRect(638, 40, 2, 400), QRect(40, 40, 600, 2),
                                  QRect(40, 438, 600, 2)})
            QVERIFY(countPixels(image, cyan, strip) > 0);
    }

    void pdfHasTextOnePageAndTheCurves()
    {
        if (tool("pdftotext").isEmpty() || tool("pdftoppm").isEmpty() || tool("pdfinfo").isEmpty())
            QSKIP("poppler-utils are not installed");
        // Enough points that a pixel column holds hundreds of them.
        RichPlot rich(300000);
        const PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
        const QImage pixmap = rich.plot.renderToPixmap(kSize, settings, true, true, kCaption).toImage();
        QTemporaryDir dir;
        const QString path = dir.filePath("plot.pdf");
        QVERIFY(rich.plot.saveToFile(path, kSize, 300, settings, true, true, kCaption));
        QVERIFY(QFileInfo(path).size() < 200 * 1024);

        const QString info = QString::fromUtf8(run(tool("pdfinfo"), {path}));
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Page size:\\s+675 x 420 pts")), qPrintable(info));

        // The legend's symbols are shapes too: the page holds no image (pdfimages
        // lists a header of two lines).
        if (!tool("pdfimages").isEmpty())
            QCOMPARE(run(tool("pdfimages"), {"-list", path}).count('\n'), 2);

        const QString text = QString::fromUtf8(run(tool("pdftotext"), {path, "-"}));
        for (const char* expected : {"C/N0 (dB-Hz)", "Time of week (s)", "GPS L1", "GPS L2", "locked", "Receiver 1"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);

        QVERIFY(!run(tool("pdftoppm"), {"-r", "96", "-png", "-singlefile", path, dir.filePath("page")}).isNull());
        compareLayout(pixmap, QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32));
    }

    void rasterFilesResolutionAndErrors()
    {
        RichPlot rich;
        const PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
        QTemporaryDir dir;

        // 192 dpi: twice the pixels of the same picture.
        const QImage single = rich.plot.renderToPixmap(kSize, settings, true, true, kCaption).toImage();
        QVERIFY(rich.plot.saveToFile(dir.filePath("plot.png"), kSize, 192, settings, true, true, kCaption));
        const QImage sharp(dir.filePath("plot.png"));
        QCOMPARE(sharp.size(), 2 * kSize);
        QCOMPARE(sharp.dotsPerMeterX(), qRound(192 / 0.0254));
        compareLayout(single, sharp.scaled(kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        for (const char* name : {"plot.jpg", "plot.bmp"}) {
            QVERIFY(rich.plot.saveToFile(dir.filePath(name), kSize, 96, settings, false, false, QString()));
            QCOMPARE(QImage(dir.filePath(name)).size(), kSize);
        }

        // Failures say why and leave nothing behind.
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        QString error;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("gif"));
        QVERIFY(!rich.plot.saveToFile(dir.filePath("plot.gif"), kSize, 96, settings, true, true, kCaption, &error));
        QVERIFY(error.contains("gif"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot write"));
        QVERIFY(!rich.plot.saveToFile(dir.filePath("missing/plot.pdf"), kSize, 96, settings, true, true, kCaption,
                                      &error));
        QVERIFY(error.contains("missing"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        QCOMPARE(plotRenderSettings.size(), 1);
    }
};

QTEST_MAIN(TestPlotExport)
#include "tst_plotexport.moc"
