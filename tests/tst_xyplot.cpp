#include "plottesthelpers.h"

#include <memleaktracer.h>

#include <QtTest>

#include <QAbstractButton>
#include <QBitArray>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <cmath>
#include <memory>

namespace {

// A plot with the grids a host would give it, and data sets it owns.
struct PlotFixture
{
    std::unique_ptr<LinearGrid> xGrid{new LinearGrid(VERTICAL, nullptr)};
    std::unique_ptr<LinearGrid> yGrid{new LinearGrid(HORIZONTAL, nullptr)};
    std::unique_ptr<XYPlot> plot;
    QList<XYDataSet*> owned;

    explicit PlotFixture(bool scrollBars = true) : plot(new XYPlot(scrollBars, true, false, nullptr))
    {
        plot->getCanvas()->setGrid(VERTICAL, xGrid.get(), false);
        plot->getCanvas()->setGrid(HORIZONTAL, yGrid.get(), false);
    }
    ~PlotFixture()
    {
        plot.reset();
        qDeleteAll(owned);
    }
    XYDataSet* add(XYDataSet* dataSet)
    {
        owned.append(dataSet);
        plot->addDataSet(dataSet);
        return dataSet;
    }
    // A flat line (x 0 to 100, y 0) and both scales with their labels on them.
    void setUpScales(bool xScaleOnTop)
    {
        plot->getCanvas()->setInitialDataBounds(Bounds(0, 1, 0, 1));
        XYDataSet* flat = add(makeDataSet("flat", 0));
        for (int i = 0; i <= 100; ++i)
            flat->append(i, 0);
        plot->getCanvas()->updateBounds();
        plot->addScale(VERTICAL, xScaleOnTop);
        plot->addScale(HORIZONTAL, true);
        plot->setLabelType(VERTICAL, LABEL_ON_SCALE);
        plot->setLabelType(HORIZONTAL, LABEL_ON_SCALE);
    }
    QImage render(QSize size, PlotRenderSettings_t const& settings, bool legend = false, bool xTitle = false,
                  QString const& caption = QString())
    {
        return plot->renderToPixmap(size, settings, legend, xTitle, caption).toImage();
    }
};

// Both scales, rendered once at 800 x 500 with the default settings.
struct RenderFixture : PlotFixture
{
    const PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
    QImage first = (setUpScales(false), render(QSize(800, 500), settings));
    const int yScaleW = plot->getHorizontalScale()->minimumWidth();
    const int xScaleH = plot->getVerticalScale()->minimumHeight();
};

QWidget* gridWidget(XYPlot& plot, int row, int column)
{
    auto* grid = qobject_cast<QGridLayout*>(plot.layout()->itemAt(1)->layout()->itemAt(0)->layout());
    QLayoutItem* item = grid->itemAtPosition(row, column);
    return item ? item->widget() : nullptr;
}

// The y-axis scale width for labels on the scale: the grid's text with every
// digit made a 9, plus the tick allowance.
int expectedWidth(XYAbstractGrid& grid, double value)
{
    QString text = grid.getLabel(value, grid.getNumberOfDecimals());
    for (QChar& c : text)
        if (c.isDigit())
            c = QLatin1Char('9');
    return QFontMetrics(getPlotRenderSettings()->scaleFont).horizontalAdvance(text) + 10;
}

void drawYLabels(LinearGrid& grid, double minY, double maxY)
{
    QImage image(200, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    grid.drawLabels(&painter, 0, minY, 1, maxY);
}

// Labels that grow at every call: the y-axis scale never gets the same width twice.
class GrowingLabelGrid : public LinearGrid
{
public:
    using LinearGrid::LinearGrid;
    int calls = 0;
    QString getLabel(double value, int decimals) override
    {
        return LinearGrid::getLabel(value, decimals) + QString(++calls % 40, QChar('x'));
    }
};

} // namespace

class TestXYPlot : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        // Every widget the plot creates is deleted with it.
        for (const char* name : {"XYPlot", "XYScale", "XYLegend", "XYCanvas", "VerticalLabel", "VerticalScrollBar"})
            QCOMPARE(MemLeakTracer::getInstance()->liveCount(name), 0);
    }

    void widgetTree()
    {
        XYPlot plot(true, true, false, nullptr);
        auto* title = qobject_cast<QLabel*>(plot.layout()->itemAt(0)->widget());
        auto* xTitle = qobject_cast<QLabel*>(gridWidget(plot, 0, 2));
        auto* yTitle = qobject_cast<VerticalLabel*>(gridWidget(plot, 2, 0));
        QVERIFY(title->text() == "Plot-title" && title->isHidden() && xTitle->isHidden() && yTitle->isHidden());
        plot.setPlotTitle("Signal strength");
        plot.setAxisTitle(VERTICAL, "Power (dB)");
        plot.setAxisTitle(HORIZONTAL, "Frequency (MHz)");
        QVERIFY(!title->isHidden() && !xTitle->isHidden() && !yTitle->isHidden());
        QVERIFY(yTitle->pixmap().height() > yTitle->pixmap().width());
        plot.setPlotTitle(QString());
        QVERIFY(title->isHidden());

        // The frame: canvas, the scroll-bar row and column with their buttons, the corner.
        auto* frame = qobject_cast<QGridLayout*>(gridWidget(plot, 2, 2)->layout());
        QLayout* boxes[] = {frame->itemAtPosition(1, 0)->layout(), frame->itemAtPosition(0, 1)->layout()};
        QVERIFY(boxes[0]->itemAt(0)->widget() == plot.getHorizontalScrollBar()
                && boxes[1]->itemAt(0)->widget() == plot.getVerticalScrollBar());
        for (QString word : {"horizontal", "vertical"}) {
            QLayout* box = boxes[word == "vertical"];
            const QStringList tips{"Zoom in " + word + "ly", "Zoom out " + word + "ly", "Show the full " + word + " extent of the data"};
            for (int i = 0; i < 3; ++i) {
                auto* button = qobject_cast<QAbstractButton*>(box->itemAt(i + 1)->widget());
                QVERIFY(button->toolTip() == tips[i] && button->text() == QStringList({"+", "-", ""})[i]);
            }
        }
        auto* corner = qobject_cast<QAbstractButton*>(frame->itemAtPosition(1, 1)->widget());
        QCOMPARE(corner->toolTip(), QString("Horizontally and vertically show all data"));

        // Without scroll bars only the canvas is in the frame; the x-axis title goes below.
        XYPlot bare(false, false, false, nullptr);
        QCOMPARE(gridWidget(bare, 2, 2)->layout()->count(), 1);
        QVERIFY(qobject_cast<QLabel*>(gridWidget(bare, 10, 2)) && !gridWidget(bare, 0, 2));
    }

    void scalesMeetTheCanvasOnScreen()
    {
        // Every combination of scroll bars, x-axis scale (none, on top, below),
        // y-axis scale and axis titles: the canvas takes all the room that scales,
        // titles and scroll bars leave, the scales touch it, and the y-axis scale
        // reaches exactly 18 pixels below it, so that its ticks meet the grid lines.
        for (int combination = 0; combination < 24; ++combination) {
            const bool scrollBars = combination & 1;
            const int xScale = (combination >> 1) % 3; // none, on top, below
            const bool yScale = combination % 12 >= 6;
            const bool titles = combination >= 12;
            const QByteArray what = QString("scroll bars %1, x-axis scale %2, y-axis scale %3, titles %4")
                                        .arg(scrollBars).arg(xScale).arg(yScale).arg(titles).toLatin1();
            PlotFixture fixture(scrollBars);
            XYPlot& plot = *fixture.plot;
            fixture.setUpScales(xScale == 1);
            if (xScale == 0)
                plot.removeScale(VERTICAL);
            else
                QCOMPARE(gridWidget(plot, xScale == 1 ? 1 : 8, 2), plot.getVerticalScale());
            if (!yScale)
                plot.removeScale(HORIZONTAL);
            plot.setAxisTitle(VERTICAL, titles ? "C/N0" : "");
            plot.setAxisTitle(HORIZONTAL, titles ? "Time" : "");
            plot.resize(600, 400);
            plot.show();
            QVERIFY(QTest::qWaitForWindowExposed(&plot));
            auto rect = [&](QWidget* widget) { return QRect(widget->mapTo(&plot, QPoint(0, 0)), widget->size()); };
            // The y-axis scale takes its width once the canvas has a view.
            if (yScale)
                QTRY_COMPARE(rect(plot.getHorizontalScale()).right() + 1, rect(plot.getCanvas()).left());
            const QRect canvas = rect(plot.getCanvas());

            // No blank band: every row and every column of the plot belongs to a part.
            QBitArray rows(400), columns(600);
            for (QWidget* child : plot.findChildren<QWidget*>()) {
                const QRect r = rect(child) & plot.rect();
                if (child->isVisible())
                    rows.fill(true, r.top(), r.bottom() + 1), columns.fill(true, r.left(), r.right() + 1);
            }
            QVERIFY2(rows.count(true) == 400 && columns.count(true) == 600, what);
            if (xScale == 1)
                QCOMPARE(rect(plot.getVerticalScale()).bottom() + 1, canvas.top());
            if (xScale == 2)
                QCOMPARE(rect(plot.getVerticalScale()).top(), canvas.bottom() + 1 + (scrollBars ? 18 : 0));
            if (!yScale)
                continue;
            const QRect scale = rect(plot.getHorizontalScale());
            QVERIFY2(scale.top() == canvas.top() && scale.bottom() == canvas.bottom() + 18, what);
            QCOMPARE(plot.getHorizontalScale()->getHideIntervals().value(0), (std::pair<int, int>(0, 18)));
            // A major tick level with every grid line (give or take the rounding).
            const QImage image = plot.grab().toImage();
            int lines = 0;
            for (int y = canvas.top() + 1; y < canvas.bottom(); ++y)
                if (image.pixelColor(canvas.left() + 40, y) == QColor(Qt::lightGray) && ++lines)
                    QVERIFY2(darkBox(image, QRect(scale.right() - 5, y - 1, 1, 3)).isValid(), what);
            QVERIFY2(lines >= 3, what);
        }
        PlotFixture fixture;
        fixture.setUpScales(false);
        fixture.plot->removeScale(VERTICAL);
        fixture.plot->removeScale(HORIZONTAL);
        QVERIFY(!fixture.xGrid->getScale() && !fixture.yGrid->getScale() && !gridWidget(*fixture.plot, 2, 1));
    }

    void legendPlacement()
    {
        PlotFixture bottom;
        bottom.add(makeDataSet("G01", 5));
        bottom.plot->addLegend(true, LEGEND_BOTTOM, nullptr);
        QPointer<XYLegend> legend = bottom.plot->getLegend();
        QLayout* main = bottom.plot->layout();
        QVERIFY(main->itemAt(main->count() - 1)->widget() == legend && legend->title.isEmpty());
        bottom.plot->addLegend(false, LEGEND_RIGHT, nullptr);
        QCOMPARE(bottom.plot->getLegend(), legend.data());
        bottom.plot->removeLegend();
        QVERIFY(!legend && !bottom.plot->getLegend());
        // Detached into the menu only, never shown as a window; or into a host's layout.
        QMenu menu;
        bottom.plot->addLegend(true, LEGEND_DETACHED, &menu);
        QVERIFY(bottom.plot->getLegend()->isHidden() && !bottom.plot->getLegend()->parent());
        bottom.plot->removeLegend();
        QWidget host;
        auto* hostLayout = new QVBoxLayout(&host);
        bottom.plot->setParentLayoutForLegend(hostLayout);
        bottom.plot->addLegend(true, LEGEND_BOTTOM, nullptr);
        QCOMPARE(hostLayout->itemAt(0)->widget(), bottom.plot->getLegend());

        // Right of the plot; a visible colour bar gives the legend a heading.
        PlotFixture right;
        right.add(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}));
        right.plot->addLegend(true, LEGEND_RIGHT, nullptr);
        QCOMPARE(right.plot->layout()->itemAt(1)->layout()->itemAt(1)->widget(), right.plot->getLegend());
        QCOMPARE(right.plot->getLegend()->title, QString("Datasets"));
    }

    void markersAndRedraws()
    {
        PlotFixture fixture;
        XYPlot& plot = *fixture.plot;
        XYDataSet* empty = fixture.add(makeDataSet("empty", 0));
        XYDataSet* full = fixture.add(makeDataSet("full", 3));
        plot.addLegend(true, LEGEND_RIGHT, nullptr);
        // A data set's first value and a legend toggle redraw the canvas.
        QImage image(300, 200, QImage::Format_RGB32);
        QPainter painter(&image);
        plot.getCanvas()->drawCanvas(&painter);
        empty->append(1, 1);
        QVERIFY(plot.getCanvas()->isFullRedrawNeeded());
        plot.getCanvas()->drawCanvas(&painter);
        plot.getLegend()->getCheckBoxes().at(0)->setChecked(false);
        QVERIFY(!full->visible && plot.getCanvas()->isFullRedrawNeeded());

        // Line markers with equal labels (empty ones too) are refused.
        Marker_t markers[4];
        markers[0].label = markers[1].label = "threshold";
        for (Marker_t& marker : markers) {
            if (&marker == &markers[1] || &marker == &markers[3])
                QTest::ignoreMessage(QtDebugMsg, "XYPlot: warning - trying to add the same marker twice");
            plot.addMarker(&marker);
        }
        Marker_t& first = markers[0];
        Marker_t& unlabelled = markers[2];
        QCOMPARE(plot.getMarkers(), (QList<Marker_t*>{&first, &unlabelled}));
        plot.removeMarker(&first);
        QCOMPARE(plot.getMarkers(), QList<Marker_t*>{&unlabelled});
    }

    void scaleSizes()
    {
        PlotFixture a;
        PlotFixture b;
        for (PlotFixture* fixture : {&a, &b}) {
            fixture->plot->addScale(HORIZONTAL, true);
            fixture->plot->setLabelType(HORIZONTAL, LABEL_ON_SCALE);
        }
        // The text for -1234.5 with one decimal, every digit a 9, plus 10 pixels.
        a.plot->getCanvas()->setFixedDataBounds(Bounds(0, 100, -1234.5, 10));
        drawYLabels(*a.yGrid, 0, 2);
        QCOMPARE(a.yGrid->getNumberOfDecimals(), 1);
        QCOMPARE(a.plot->getHorizontalScale()->minimumWidth(), expectedWidth(*a.yGrid, -1234.5));

        // A group shares the widest width, following decimal and view changes.
        for (PlotFixture* fixture : {&a, &b})
            fixture->plot->setGroupOfPlots({a.plot.get(), b.plot.get()});
        XYDataSet* large = b.add(makeDataSet("large", 0));
        large->append(0, -1.0e5);
        b.plot->getCanvas()->updateBounds();
        const int widthB = expectedWidth(*b.yGrid, b.plot->getCanvas()->getDataBounds().minY);
        QVERIFY(widthB > expectedWidth(*a.yGrid, -1234.5));
        QCOMPARE(a.plot->getHorizontalScale()->minimumWidth(), widthB);
        drawYLabels(*a.yGrid, 0, 0.002);
        const int widthA = expectedWidth(*a.yGrid, -1234.5);
        QVERIFY(widthA > widthB);
        QCOMPARE(b.plot->getHorizontalScale()->minimumWidth(), widthA);

        // The x-axis scale: the tick allowance, plus a font height with labels on it.
        a.plot->addScale(VERTICAL, false);
        QCOMPARE(a.plot->getVerticalScale()->minimumHeight(), 10);
        a.plot->setLabelType(VERTICAL, LABEL_BOTH);
        QCOMPARE(a.plot->getVerticalScale()->maximumHeight(), 10 + QFontMetrics(getPlotRenderSettings()->scaleFont).height());
    }

    void fixedPositionsAndAutoPlacement()
    {
        PlotFixture fixture;
        XYPlot& plot = *fixture.plot;
        plot.addScale(HORIZONTAL, true);
        XYScale* scale = plot.getHorizontalScale();
        using Labels = QList<std::pair<int, QString>>;
        using Intervals = QList<std::pair<int, int>>;
        XYDataSet* fix = fixture.add(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}, -10, 6));
        XYDataSet* quality = fixture.add(makeColorBar("Quality", {Qt::green, Qt::red}, {"good", "bad"}, -30, 20));
        fixture.add(makeColorBar("Empty Bar", {}, {}, -50));

        // Only data sets at fixed heights: their names, and no ticks at all.
        plot.setupYScaleForFixedPositionedDatasets(400, 17);
        QCOMPARE(scale->getLabelsAtFixedPosition(), (Labels{{10 + 17, "Fix"}, {30 + 17, "Quality"}}));
        QCOMPARE(scale->getHideIntervals(), (Intervals{{0, 417}}));
        // An ordinary data set brings the ticks back, with gaps around the names.
        XYDataSet* curve = fixture.add(makeDataSet("G01", 10));
        plot.setupYScaleForFixedPositionedDatasets(400, 17);
        QCOMPARE(scale->getHideIntervals(), (Intervals{{0, 17}, {27 - 7, 27 + 7}, {47 - 10, 47 + 10}}));
        QCOMPARE(scale->minimumWidth(), scale->getRequiredWidthForLabelsAtFixedPosition());
        // Hidden data sets take no part; on screen the scroll bar's height counts.
        fix->visible = false;
        curve->visible = false;
        plot.setupYScaleForFixedPositionedDatasets(400, -1);
        QCOMPARE(scale->getLabelsAtFixedPosition(), (Labels{{30 + 18, "Quality"}}));

        // Three auto-positioned data sets on 400 pixels: 0.25, 0.5, 0.75 ...
        quality->visible = false;
        QList<XYDataSet*> automatic;
        for (int i = 0; i < 3; ++i) {
            automatic.append(fixture.add(makeDataSet(QString("A%1").arg(i), 5)));
            automatic.last()->getLook()->setFractionallyFixedPositioned(-1.0f);
        }
        plot.repositionAutopositionedDataSets(400);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(automatic[i]->getLook()->getFixedYPosition(400), 100 * (i + 1));
        // ... and between data sets at offsets 40 (from the top) and -60.
        fixture.add(makeDataSet("top", 5))->getLook()->setOffsettedFixedPositioned(40);
        fixture.add(makeDataSet("bottom", 5))->getLook()->setOffsettedFixedPositioned(-60);
        automatic[1]->visible = false;
        plot.repositionAutopositionedDataSets(400);
        QCOMPARE(automatic[0]->getLook()->getFixedYPosition(400), 40 + 100);
        QCOMPARE(automatic[2]->getLook()->getFixedYPosition(400), 40 + 200);
    }

    void renderedCanvasScalesAndSettingsStack()
    {
        // The canvas: (800 - y-axis scale width) x (500 - x-axis scale height) with a
        // one-pixel frame; every grid line meets a tick on each scale, both have labels.
        RenderFixture f;
        const QImage& image = f.first;
        const int yScaleW = f.yScaleW, ch = 500 - f.xScaleH;
        QCOMPARE(darkBox(image, QRect(yScaleW, 0, 800 - yScaleW, 1)).width(), 800 - yScaleW);
        QCOMPARE(darkBox(image, QRect(yScaleW, ch - 1, 800 - yScaleW, 1)).width(), 800 - yScaleW);
        QCOMPARE(darkBox(image, QRect(799, 0, 1, 500)).height(), ch);
        int lines = 0;
        for (int x = yScaleW + 2; x < 798; ++x)
            if (image.pixelColor(x, 5) == QColor(Qt::lightGray) && ++lines)
                QVERIFY(darkBox(image, QRect(x - 1, ch + 2, 3, 1)).isValid());
        for (int y = 2; y < ch - 2; ++y)
            if (image.pixelColor(yScaleW + 5, y) == QColor(Qt::lightGray) && ++lines)
                QVERIFY(darkBox(image, QRect(yScaleW - 3, y - 1, 1, 3)).isValid());
        QVERIFY(lines >= 8);
        QVERIFY(darkBox(image, QRect(0, 10, yScaleW - 11, ch - 40)).isValid());
        QVERIFY(darkBox(image, QRect(yScaleW + 30, ch + 10, 700 - yScaleW, f.xScaleH - 10)).isValid());

        // Longer ticks widen the scale in the image only; the stack is restored.
        const qsizetype depth = plotRenderSettings.size();
        PlotRenderSettings_t print = f.settings;
        print.majorTickLength = 16;
        QCOMPARE(darkBox(f.render(QSize(800, 500), print), QRect(0, 1, 800, 1)).left(), yScaleW + 10);
        QCOMPARE(plotRenderSettings.size(), depth);
        QCOMPARE(getPlotRenderSettings()->majorTickLength, 8);
        QCOMPARE(f.plot->getHorizontalScale()->minimumWidth(), yScaleW);
    }

    void renderedTextsAndLegend()
    {
        // The y-axis title whenever there is one, the x-axis title only when asked,
        // each 1.5 title-font heights.
        RenderFixture f;
        f.plot->setAxisTitle(VERTICAL, "C/N0 (dB-Hz)");
        f.plot->setAxisTitle(HORIZONTAL, "Time of week (s)");
        const int titleH = int(std::floor(1.5 * QFontMetrics(f.settings.axisTitleFont).height()));
        const int x0 = titleH + f.yScaleW, ch = 500 - f.xScaleH - titleH;
        QImage image = f.render(QSize(800, 500), f.settings, false, true);
        QVERIFY(darkBox(image, QRect(x0, ch - 1, 800 - x0, 1)).width() == 800 - x0);
        const QRect yTitle = darkBox(image, QRect(0, 0, titleH, ch));
        QVERIFY(yTitle.isValid() && yTitle.height() > 3 * yTitle.width());
        QVERIFY(darkBox(image, QRect(x0, ch + f.xScaleH, 800 - x0, titleH)).isValid());
        QCOMPARE(darkBox(f.render(QSize(800, 500), f.settings), QRect(799, 0, 1, 500)).height(), 500 - f.xScaleH);

        // A caption: right-aligned in a strip at the bottom, the canvas above it.
        image = f.render(QSize(800, 500), f.settings, false, false, "Receiver 1, 1 May");
        const int captionTop = darkBox(image, QRect(799, 0, 1, 500)).bottom() + 1 + f.xScaleH;
        const QRect caption = darkBox(image, QRect(x0, captionTop, 800 - x0, 500 - captionTop));
        QVERIFY(captionTop < 480 && caption.left() > (x0 + 800) / 2 && caption.right() > 780);

        // The scale font of the settings is for the scales, not for texts inside the plot area.
        Marker_t threshold{MARKER_BACKGROUND, HORIZONTAL, 0.25, Qt::red, Qt::SolidLine, 0, "threshold"};
        f.plot->addMarker(&threshold);
        f.plot->redrawCanvas(); // adding a marker leaves the redraw to the host
        auto labelHeight = [&](PlotRenderSettings_t const& with) {
            const QImage rendered = f.render(QSize(800, 500), with);
            int row = 0, left = 0;
            while (row < 499 && rendered.pixelColor(700, row) != QColor(Qt::red))
                ++row;
            while (rendered.pixelColor(left, row) != QColor(Qt::red))
                ++left;
            // The label is written just above the left end of its line.
            return darkBox(rendered, QRect(left + 1, row - 60, 300, 59), 150).height();
        };
        PlotRenderSettings_t print = f.settings;
        print.scaleFont.setPointSize(3 * QFontInfo(print.scaleFont).pointSize());
        const int normal = labelHeight(f.settings);
        QVERIFY(normal > 3);
        QCOMPARE(labelHeight(print), normal);

        // The legend: at most a third of the width, right of the canvas column.
        f.add(makeDataSet("G05 L1", 20, Qt::darkGreen));
        f.plot->addLegend(true, LEGEND_RIGHT, nullptr);
        image = f.render(QSize(1200, 800), f.settings, true);
        const int right = darkBox(image, QRect(0, 5, 1200, 1)).right();
        QVERIFY(right >= 800 && right < 1190 && darkBox(image, QRect(right + 2, 0, 1200, 800)).isValid());
        QCOMPARE(darkBox(image, QRect(right, 0, 1, 800 - f.xScaleH)).height(), 800 - f.xScaleH);

        // Extreme sizes and a legend that cannot fit return at once, at the size
        // asked for: on a platform without a display nobody is asked, flag or not.
        f.add(makeDataSet(QString(300, 'x'), 5));
        zebplotUserInteractionDisabled = false;
        int boxes = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = QApplication::activeModalWidget())
                boxes += box->close();
        });
        closer.start(10);
        for (const QSize size : {QSize(1, 1), QSize(5, 3000), QSize(60000, 1)})
            QCOMPARE(f.render(size, f.settings, true, true, "caption").size(), size);
        zebplotUserInteractionDisabled = true;
        QCOMPARE(boxes, 0);

        // A layout that never settles is rendered after a bounded number of attempts.
        const qsizetype depth = plotRenderSettings.size();
        GrowingLabelGrid grid(HORIZONTAL, nullptr);
        f.plot->getCanvas()->setGrid(HORIZONTAL, &grid, false);
        f.plot->removeScale(HORIZONTAL);
        f.plot->addScale(HORIZONTAL, true);
        QCOMPARE(f.render(QSize(600, 400), f.settings).size(), QSize(600, 400));
        QCOMPARE(plotRenderSettings.size(), depth);
        QVERIFY(grid.calls > 0 && grid.calls < 400);
        f.plot->removeScale(HORIZONTAL);
        f.plot->getCanvas()->setGrid(HORIZONTAL, f.yGrid.get(), false);
    }
};

QTEST_MAIN(TestXYPlot)
#include "tst_xyplot.moc"
