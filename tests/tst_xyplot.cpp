#include "plottesthelpers.h"

#include <memleaktracer.h>

#include <QtTest>

#include <QAbstractButton>
#include <QBoxLayout>
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

    explicit PlotFixture(bool scrollBars = true, bool xTitleOnTop = true)
        : plot(new XYPlot(scrollBars, xTitleOnTop, false, nullptr))
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
};

QGridLayout* gridLayoutOf(XYPlot& plot)
{
    auto* row = plot.layout()->itemAt(1)->layout();
    return qobject_cast<QGridLayout*>(row->itemAt(0)->layout());
}

QWidget* gridWidget(XYPlot& plot, int row, int column)
{
    QLayoutItem* item = gridLayoutOf(plot)->itemAtPosition(row, column);
    return item ? item->widget() : nullptr;
}

QGridLayout* frameLayoutOf(XYPlot& plot)
{
    return qobject_cast<QGridLayout*>(gridWidget(plot, 2, 2)->layout());
}

QList<QWidget*> widgetsOf(QLayout* layout)
{
    QList<QWidget*> widgets;
    for (int i = 0; layout && i < layout->count(); ++i)
        widgets.append(layout->itemAt(i)->widget());
    return widgets;
}

// Expected y-axis scale width for labels on the scale: the grid's text with
// every digit made a 9, plus the tick allowance.
int expectedWidth(XYAbstractGrid& grid, double value)
{
    QString text = grid.getLabel(value, grid.getNumberOfDecimals());
    for (QChar& c : text)
        if (c.isDigit())
            c = QLatin1Char('9');
    return QFontMetrics(getPlotRenderSettings()->scaleFont).horizontalAdvance(text)
        + (5 * getPlotRenderSettings()->majorTickLength) / 4;
}

// Makes a y-axis grid compute its labels (and decimals) for a y range.
void drawYLabels(LinearGrid& grid, double minY, double maxY)
{
    QImage image(200, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    grid.drawLabels(&painter, 0, minY, 1, maxY);
}

// A y-axis grid whose labels grow by a character at every call, so that the
// y-axis scale never has the same width twice.
class GrowingLabelGrid : public LinearGrid
{
public:
    using LinearGrid::LinearGrid;
    int calls = 0;
    QString getLabel(double value, int decimals) override
    {
        ++calls;
        return LinearGrid::getLabel(value, decimals) + QString(calls % 40, QChar('x'));
    }
};

// A plot of a flat line (x 0 to 100, y 0) with both scales, labels on the
// scales and the x-axis scale above or below the canvas.
void setUpForRendering(PlotFixture& fixture, bool xScaleOnTop)
{
    XYPlot& plot = *fixture.plot;
    plot.getCanvas()->setInitialDataBounds(Bounds(0, 1, 0, 1));
    XYDataSet* flat = fixture.add(makeDataSet("flat", 0));
    for (int i = 0; i <= 100; ++i)
        flat->append(i, 0);
    plot.getCanvas()->updateBounds();
    plot.addScale(VERTICAL, xScaleOnTop);
    plot.addScale(HORIZONTAL, true);
    plot.setLabelType(VERTICAL, LABEL_ON_SCALE);
    plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);
}

bool isDark(QImage const& image, int x, int y)
{
    return image.rect().contains(x, y) && qGray(image.pixel(x, y)) < 100;
}

bool darkNear(QImage const& image, int x, int y, bool alongX)
{
    for (int d = -1; d <= 1; ++d)
        if (alongX ? isDark(image, x + d, y) : isDark(image, x, y + d))
            return true;
    return false;
}

int firstDarkColumn(QImage const& image, int y)
{
    for (int x = 0; x < image.width(); ++x)
        if (isDark(image, x, y))
            return x;
    return -1;
}

QRect darkBox(QImage const& image, QRect const& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isDark(image, x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestXYPlot : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void widgetTree();
    void scrollBarRows();
    void titles();
    void scalesMeetTheCanvasOnScreen_data();
    void scalesMeetTheCanvasOnScreen();
    void scalesAreAddedWhereTheGridsAre();
    void legendPlacement();
    void dataSetsAndMarkers();
    void yScaleWidth();
    void groupOfPlotsSharesOneWidth();
    void xScaleHeight();
    void fixedPositionLabels();
    void autoPlacement();
    void legendDrivesRedraws();
    void renderGeometry_data();
    void renderGeometry();
    void renderRestoresSettingsAndScales();
    void renderTitlesAndCaption();
    void renderLegendColumn();
    void renderEndsWhenWidthKeepsChanging();
    void renderWritesPlotTextsInTheScaleFont();
};

void TestXYPlot::cleanupTestCase()
{
    for (const char* name : {"XYPlot", "XYScale", "XYLegend", "XYCanvas", "VerticalLabel", "VerticalScrollBar"})
        QCOMPARE(MemLeakTracer::getInstance()->liveCount(name), 0);
}

void TestXYPlot::widgetTree()
{
    XYPlot plot(true, true, false, nullptr);
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYPlot"), 1);
    auto* title = qobject_cast<QLabel*>(plot.layout()->itemAt(0)->widget());
    QVERIFY(title);
    QCOMPARE(title->text(), QString("Plot-title"));
    QVERIFY(title->isHidden());

    QCOMPARE(gridLayoutOf(plot)->spacing(), 0);
    auto* xTitle = qobject_cast<QLabel*>(gridWidget(plot, 0, 2));
    QVERIFY(xTitle && xTitle->isHidden());
    QWidget* yTitle = gridWidget(plot, 2, 0);
    QCOMPARE(QString(yTitle->metaObject()->className()), QString("VerticalLabel"));
    QVERIFY(yTitle->isHidden());
    auto* frame = qobject_cast<QFrame*>(gridWidget(plot, 2, 2));
    QCOMPARE(frame->frameShape(), QFrame::StyledPanel);
    QCOMPARE(frame->frameShadow(), QFrame::Plain);
    QCOMPARE(frameLayoutOf(plot)->itemAtPosition(0, 0)->widget(), plot.getCanvas());
    QCOMPARE(gridWidget(plot, 2, 1), nullptr);

    // Without scroll bars only the canvas is in the frame; the x-axis title goes below.
    XYPlot bare(false, false, false, nullptr);
    QCOMPARE(bare.getHorizontalScrollBar(), nullptr);
    QCOMPARE(bare.getVerticalScrollBar(), nullptr);
    QCOMPARE(frameLayoutOf(bare)->count(), 1);
    QVERIFY(qobject_cast<QLabel*>(gridWidget(bare, 10, 2)));
    QCOMPARE(gridWidget(bare, 0, 2), nullptr);
}

void TestXYPlot::scrollBarRows()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    QGridLayout* frameLayout = frameLayoutOf(plot);
    const QList<QWidget*> row = widgetsOf(frameLayout->itemAtPosition(1, 0)->layout());
    const QList<QWidget*> column = widgetsOf(frameLayout->itemAtPosition(0, 1)->layout());
    QCOMPARE(row.size(), 4);
    QCOMPARE(column.size(), 4);
    QCOMPARE(row[0], plot.getHorizontalScrollBar());
    QCOMPARE(column[0], plot.getVerticalScrollBar());
    QCOMPARE(QString(column[0]->metaObject()->className()), QString("VerticalScrollBar"));
    QVERIFY(plot.getVerticalScrollBar()->invertedAppearance());
    QCOMPARE(plot.getCanvas()->getHorizontalScrollBar(), plot.getHorizontalScrollBar());
    QCOMPARE(plot.getCanvas()->getVerticalScrollBar(), plot.getVerticalScrollBar());

    const int e = plot.getHorizontalScrollBar()->height();
    QVERIFY(e >= 14);
    const QStringList rowTips{"Zoom in horizontally", "Zoom out horizontally",
                              "Show the full horizontal extent of the data"};
    const QStringList columnTips{"Zoom in vertically", "Zoom out vertically",
                                 "Show the full vertical extent of the data"};
    const QStringList texts{"+", "-", ""};
    for (int i = 0; i < 3; ++i) {
        auto* rowButton = qobject_cast<QAbstractButton*>(row[i + 1]);
        auto* columnButton = qobject_cast<QAbstractButton*>(column[i + 1]);
        QCOMPARE(rowButton->toolTip(), rowTips[i]);
        QCOMPARE(columnButton->toolTip(), columnTips[i]);
        QCOMPARE(rowButton->text(), texts[i]);
        QCOMPARE(rowButton->minimumSize(), QSize(e, e));
        QCOMPARE(rowButton->maximumSize(), QSize(e, e));
        QCOMPARE(columnButton->maximumSize(), QSize(e, e));
    }
    auto* corner = qobject_cast<QAbstractButton*>(frameLayout->itemAtPosition(1, 1)->widget());
    QCOMPARE(corner->toolTip(), QString("Horizontally and vertically show all data"));
    QCOMPARE(corner->maximumSize(), QSize(e, e));
    QVERIFY(corner->text().isEmpty());

    // The buttons drive the canvas.
    fixture.add(makeDataSet("G01", 200));
    plot.getCanvas()->updateBounds();
    const Bounds full = plot.getCanvas()->getViewBounds();
    emit qobject_cast<QAbstractButton*>(row[1])->pressed();
    QVERIFY(plot.getCanvas()->getViewBounds().maxX - plot.getCanvas()->getViewBounds().minX < full.maxX - full.minX);
    emit corner->pressed();
    QCOMPARE(plot.getCanvas()->getViewBounds().minX, full.minX);
}

void TestXYPlot::titles()
{
    XYPlot plot(true, true, false, nullptr);
    auto* title = qobject_cast<QLabel*>(plot.layout()->itemAt(0)->widget());
    plot.setPlotTitle("Signal strength");
    QVERIFY(!title->isHidden());
    QCOMPARE(title->text(), QString("Signal strength"));
    plot.setPlotTitle(QString());
    QVERIFY(title->isHidden());

    plot.setAxisTitle(VERTICAL, "Power (dB)");
    auto* yTitle = qobject_cast<VerticalLabel*>(gridWidget(plot, 2, 0));
    QVERIFY(!yTitle->isHidden());
    QCOMPARE(yTitle->text(), QString("Power (dB)"));
    QVERIFY(yTitle->pixmap().height() > yTitle->pixmap().width());
    QCOMPARE(plot.getAxisTitle(VERTICAL), QString("Power (dB)"));

    plot.setAxisTitle(HORIZONTAL, "Frequency (MHz)");
    auto* xTitle = qobject_cast<QLabel*>(gridWidget(plot, 0, 2));
    QVERIFY(!xTitle->isHidden());
    QCOMPARE(plot.getAxisTitle(HORIZONTAL), QString("Frequency (MHz)"));
    plot.setAxisTitle(HORIZONTAL, QString());
    QVERIFY(xTitle->isHidden());

    // Word-wrapped height: one line when wide enough, more when narrow.
    const int fontHeight = plot.getAxisTitleFontHeight();
    QCOMPARE(plot.getAxisTitleTextHeight(VERTICAL, 1000), fontHeight);
    QVERIFY(plot.getAxisTitleTextHeight(VERTICAL, 40) >= 2 * fontHeight);

    // The y-axis title reads upwards in a rectangle: taller than wide ink.
    QImage image(60, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    plot.drawAxisTitle(&painter, VERTICAL, image.rect());
    plot.drawAxisTitle(&painter, VERTICAL, QPoint(30, 150));
    painter.end();
    const QRect ink = inkBox(image, Qt::black);
    QVERIFY(ink.height() > 3 * ink.width());
    QVERIFY(std::abs(ink.center().y() - 150) <= 2);
}

void TestXYPlot::scalesMeetTheCanvasOnScreen_data()
{
    QTest::addColumn<bool>("scrollBars");
    QTest::addColumn<bool>("onTop");
    QTest::newRow("scroll bars, x-axis scale below") << true << false;
    QTest::newRow("scroll bars, x-axis scale on top") << true << true;
    QTest::newRow("no scroll bars, x-axis scale below") << false << false;
    QTest::newRow("no scroll bars, x-axis scale on top") << false << true;
}

void TestXYPlot::scalesMeetTheCanvasOnScreen()
{
    QFETCH(bool, scrollBars);
    QFETCH(bool, onTop);
    PlotFixture fixture(scrollBars, true);
    XYPlot& plot = *fixture.plot;
    plot.addScale(VERTICAL, onTop);
    plot.addScale(HORIZONTAL, true);
    plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);
    plot.setAxisTitle(VERTICAL, "C/N0 (dB-Hz)");
    fixture.add(makeDataSet("G01", 20));
    plot.resize(600, 400);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));

    // The y-axis scale starts level with the canvas and reaches exactly 18
    // pixels below it, as its ticks assume; the x-axis scale spans the canvas
    // columns and touches the canvas (or the scroll-bar row below it).
    const QRect canvas(plot.getCanvas()->mapTo(&plot, QPoint(0, 0)), plot.getCanvas()->size());
    const QRect yScale(plot.getHorizontalScale()->mapTo(&plot, QPoint(0, 0)), plot.getHorizontalScale()->size());
    const QRect xScale(plot.getVerticalScale()->mapTo(&plot, QPoint(0, 0)), plot.getVerticalScale()->size());
    QVERIFY(canvas.height() > 200);
    QCOMPARE(yScale.top(), canvas.top());
    QCOMPARE(yScale.bottom(), canvas.bottom() + 18);
    QCOMPARE(yScale.right() + 1, canvas.left());
    QCOMPARE(xScale.left(), canvas.left());
    if (onTop)
        QCOMPARE(xScale.bottom() + 1, canvas.top());
    else
        QCOMPARE(xScale.top(), canvas.bottom() + 1 + (scrollBars ? 18 : 0));
    if (scrollBars)
        QCOMPARE(plot.getHorizontalScrollBar()->height(), 18);
    // The hidden interval at the bottom covers that row.
    QCOMPARE(plot.getHorizontalScale()->getHideIntervals().value(0), (std::pair<int, int>(0, 18)));
}

void TestXYPlot::scalesAreAddedWhereTheGridsAre()
{
    XYPlot withoutGrids;
    withoutGrids.addScale(VERTICAL, false);
    withoutGrids.addScale(HORIZONTAL, true);
    QCOMPARE(withoutGrids.getVerticalScale(), nullptr);
    QCOMPARE(withoutGrids.getHorizontalScale(), nullptr);
    QCOMPARE(withoutGrids.calculateHorizontalScaleWidth(true), 0);

    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    plot.addScale(VERTICAL, false);
    plot.addScale(HORIZONTAL, false);
    XYScale* xScale = plot.getVerticalScale();
    XYScale* yScale = plot.getHorizontalScale();
    QCOMPARE(gridWidget(plot, 8, 2), xScale);
    QCOMPARE(gridWidget(plot, 2, 1), yScale);
    QCOMPARE(fixture.xGrid->getScale(), xScale);
    QCOMPARE(fixture.yGrid->getScale(), yScale);
    QVERIFY(!xScale->isOnTop());
    plot.addScale(VERTICAL, true);
    QCOMPARE(plot.getVerticalScale(), xScale);

    plot.removeScale(VERTICAL);
    QCOMPARE(plot.getVerticalScale(), nullptr);
    QCOMPARE(fixture.xGrid->getScale(), nullptr);
    QCOMPARE(gridWidget(plot, 8, 2), nullptr);
    plot.addScale(VERTICAL, true);
    QCOMPARE(gridWidget(plot, 1, 2), plot.getVerticalScale());

    plot.removeScale(HORIZONTAL);
    QCOMPARE(fixture.yGrid->getScale(), nullptr);
    QCOMPARE(gridWidget(plot, 2, 1), nullptr);
    QCOMPARE(MemLeakTracer::getInstance()->liveCount("XYScale"), 1);
}

void TestXYPlot::legendPlacement()
{
    {
        PlotFixture fixture;
        fixture.add(makeDataSet("G01", 5));
        fixture.plot->addLegend(true, LEGEND_BOTTOM, nullptr);
        XYLegend* legend = fixture.plot->getLegend();
        QLayout* main = fixture.plot->layout();
        QCOMPARE(main->itemAt(main->count() - 1)->widget(), legend);
        QVERIFY(!legend->isHidden());
        QVERIFY(legend->title.isEmpty());
        fixture.plot->setLegendVisible(false);
        QVERIFY(legend->isHidden());
        // A second call only rebuilds.
        fixture.plot->addLegend(false, LEGEND_RIGHT, nullptr);
        QCOMPARE(fixture.plot->getLegend(), legend);
        QPointer<XYLegend> gone = legend;
        fixture.plot->removeLegend();
        QVERIFY(!gone);
        QCOMPARE(fixture.plot->getLegend(), nullptr);
        QVERIFY(qobject_cast<QBoxLayout*>(main->itemAt(main->count() - 1)->layout()));
    }
    {
        // Right of the plot; with a visible colour bar the legend gets a heading.
        PlotFixture fixture;
        fixture.add(makeDataSet("G01", 5));
        fixture.owned.append(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}));
        fixture.plot->addDataSet(fixture.owned.last());
        fixture.plot->addLegend(true, LEGEND_RIGHT, nullptr);
        QLayout* row = fixture.plot->layout()->itemAt(1)->layout();
        QCOMPARE(row->itemAt(1)->widget(), fixture.plot->getLegend());
        QCOMPARE(fixture.plot->getLegend()->title, QString("Datasets"));
        QTRY_VERIFY(qobject_cast<QLabel*>(
            qobject_cast<QGridLayout*>(fixture.plot->getLegend()->getFrame()->layout())->itemAtPosition(0, 1)->widget()));
    }
    {
        // Into the host's layout, whatever the position.
        PlotFixture fixture;
        QWidget host;
        auto* hostLayout = new QVBoxLayout(&host);
        fixture.plot->setParentLayoutForLegend(hostLayout);
        fixture.plot->addLegend(true, LEGEND_BOTTOM, nullptr);
        QCOMPARE(hostLayout->itemAt(0)->widget(), fixture.plot->getLegend());
    }
    {
        // Detached: into the menu only, never shown as a widget.
        PlotFixture fixture;
        fixture.add(makeDataSet("Fix Bar", 5));
        QMenu menu;
        fixture.plot->addLegend(true, LEGEND_DETACHED, &menu);
        QCOMPARE(menu.actions().size(), 1);
        QCOMPARE(menu.actions().at(0)->text(), QString("Fix"));
        QVERIFY(fixture.plot->getLegend()->isHidden());
        fixture.plot->setLegendVisible(true);
        QVERIFY(fixture.plot->getLegend()->isHidden());
        QLayout* main = fixture.plot->layout();
        QVERIFY(main->itemAt(main->count() - 1)->widget() != fixture.plot->getLegend());
    }
}

void TestXYPlot::dataSetsAndMarkers()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    QVERIFY(!plot.hasData());
    XYDataSet* empty = fixture.add(makeDataSet("empty", 0));
    QVERIFY(!plot.hasData());
    XYDataSet* full = fixture.add(makeDataSet("full", 3));
    QVERIFY(plot.hasData());
    plot.addDataSet(full);
    QCOMPARE(plot.getDataSets().size(), 3);
    plot.removeDataSet(full);
    QCOMPARE(plot.getDataSets(), QList<XYDataSet*>{empty});
    plot.removeAllDataSets();
    QVERIFY(plot.getDataSets().isEmpty());

    // A data set's first value redraws the canvas.
    plot.addDataSet(empty);
    QImage image(300, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    plot.getCanvas()->drawCanvas(&painter);
    painter.end();
    QVERIFY(!plot.getCanvas()->isFullRedrawNeeded());
    empty->append(1, 1);
    QVERIFY(plot.getCanvas()->isFullRedrawNeeded());

    Marker_t first;
    first.label = "threshold";
    Marker_t same = first;
    Marker_t unlabelled;
    Marker_t alsoUnlabelled;
    plot.addMarker(&first);
    QTest::ignoreMessage(QtDebugMsg, "XYPlot: warning - trying to add the same marker twice");
    plot.addMarker(&same);
    QCOMPARE(plot.getMarkers(), QList<Marker_t*>{&first});
    plot.addMarker(&unlabelled);
    QTest::ignoreMessage(QtDebugMsg, "XYPlot: warning - trying to add the same marker twice");
    plot.addMarker(&alsoUnlabelled);
    QCOMPARE(plot.getMarkers().size(), 2);
    plot.removeMarker(&first);
    QCOMPARE(plot.getMarkers(), QList<Marker_t*>{&unlabelled});

    // The other marker lists are what the canvas draws.
    BandMarker_t band{MARKER_BACKGROUND, VERTICAL, 0, 1, Qt::red, QString()};
    plot.addBandMarker(&band);
    plot.addBandMarker(&band);
    plot.removeBandMarker(&band);
    CrossMarker_t cross{0.5, 0.5, 5, Qt::black, Qt::SolidLine, 1};
    plot.addCrossMarker(&cross);
    plot.getCanvas()->setBounds(Bounds(0, 1, 0, 1), Bounds(0, 1, 0, 1), true);
    QImage crossImage(100, 100, QImage::Format_RGB32);
    crossImage.fill(Qt::white);
    QPainter crossPainter(&crossImage);
    plot.getCanvas()->drawCanvas(&crossPainter);
    crossPainter.end();
    QCOMPARE(crossImage.pixelColor(50, 47), QColor(Qt::black));
    plot.removeCrossMarker(&cross);
}

void TestXYPlot::yScaleWidth()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    plot.addScale(HORIZONTAL, true);
    plot.setLabelType(HORIZONTAL, LABEL_ON_SCALE);
    plot.getCanvas()->setFixedDataBounds(Bounds(0, 100, -1234.5, 10));
    drawYLabels(*fixture.yGrid, 0, 2);
    QCOMPARE(fixture.yGrid->getNumberOfDecimals(), 1);
    // The grid's text for -1234.5 with every digit a 9, plus 10 pixels.
    QString text = fixture.yGrid->getLabel(-1234.5, 1);
    QVERIFY(text.startsWith('-'));
    QCOMPARE(plot.getHorizontalScale()->minimumWidth(), expectedWidth(*fixture.yGrid, -1234.5));
    QCOMPARE(plot.getHorizontalScale()->maximumWidth(), plot.getHorizontalScale()->minimumWidth());

    // Labels in the plot: the tick allowance alone.
    plot.setLabelType(HORIZONTAL, LABEL_IN_PLOT);
    QCOMPARE(plot.getHorizontalScale()->minimumWidth(), 10);

    // A longer tick under pushed settings.
    PlotRenderSettings_t longTicks = *getPlotRenderSettings();
    longTicks.majorTickLength = 12;
    plotRenderSettings.append(longTicks);
    QCOMPARE(plot.calculateHorizontalScaleWidth(true), 15);
    plotRenderSettings.takeLast();
}

void TestXYPlot::groupOfPlotsSharesOneWidth()
{
    PlotFixture a;
    PlotFixture b;
    for (PlotFixture* fixture : {&a, &b}) {
        fixture->plot->addScale(HORIZONTAL, true);
        fixture->plot->setLabelType(HORIZONTAL, LABEL_ON_SCALE);
        fixture->plot->setGroupOfPlots({a.plot.get(), b.plot.get()});
    }
    XYDataSet* small = a.add(makeDataSet("small", 0));
    small->append(0, -10);
    small->append(1, 10);
    XYDataSet* large = b.add(makeDataSet("large", 0));
    large->append(0, -100);
    large->append(1, 100);
    a.plot->getCanvas()->updateBounds();
    b.plot->getCanvas()->updateBounds();
    const int widthB = expectedWidth(*b.yGrid, b.plot->getCanvas()->getDataBounds().minY);
    QCOMPARE(a.plot->getHorizontalScale()->minimumWidth(), widthB);
    QCOMPARE(b.plot->getHorizontalScale()->minimumWidth(), widthB);

    // More decimals on a: its labels are now the wider ones, for both.
    drawYLabels(*a.yGrid, 0, 0.02);
    QCOMPARE(a.yGrid->getNumberOfDecimals(), 3);
    const int widthA = expectedWidth(*a.yGrid, a.plot->getCanvas()->getDataBounds().minY);
    QVERIFY(widthA > widthB);
    QCOMPARE(a.plot->getHorizontalScale()->minimumWidth(), widthA);
    QCOMPARE(b.plot->getHorizontalScale()->minimumWidth(), widthA);

    // A view change on b with much larger data widens both again.
    large->append(2, -1.0e9);
    b.plot->getCanvas()->updateBounds();
    const int widthB2 = expectedWidth(*b.yGrid, b.plot->getCanvas()->getDataBounds().minY);
    QVERIFY(widthB2 > widthA);
    QCOMPARE(a.plot->getHorizontalScale()->minimumWidth(), widthB2);
    QCOMPARE(b.plot->getHorizontalScale()->minimumWidth(), widthB2);
}

void TestXYPlot::xScaleHeight()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    plot.addScale(VERTICAL, false);
    QCOMPARE(plot.getVerticalScale()->minimumHeight(), 10);
    plot.setLabelType(VERTICAL, LABEL_BOTH);
    const int fontHeight = QFontMetrics(getPlotRenderSettings()->scaleFont).height();
    QCOMPARE(plot.getVerticalScale()->minimumHeight(), 10 + fontHeight);
    QCOMPARE(plot.getVerticalScale()->maximumHeight(), 10 + fontHeight);
    QCOMPARE(fixture.xGrid->getLabelType(), LABEL_BOTH);
    QCOMPARE(plot.getVerticalScale()->getLabelType(), LABEL_BOTH);
}

void TestXYPlot::fixedPositionLabels()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    plot.addScale(HORIZONTAL, true);
    XYScale* scale = plot.getHorizontalScale();
    const int S = 17;
    const int H = 400;
    XYDataSet* fix = fixture.add(makeColorBar("Fix Bar", {Qt::green, Qt::red}, {"good", "bad"}, -10, 6));
    XYDataSet* quality = fixture.add(makeColorBar("Quality", {Qt::green, Qt::red}, {"good", "bad"}, -30, 20));
    XYDataSet* emptyBar = fixture.add(makeColorBar("Empty Bar", {}, {}, -50));
    Q_UNUSED(emptyBar);

    // Only data sets at fixed heights: their names, and no ticks at all.
    plot.setupYScaleForFixedPositionedDatasets(H, S);
    using Labels = QList<std::pair<int, QString>>;
    using Intervals = QList<std::pair<int, int>>;
    QCOMPARE(scale->getLabelsAtFixedPosition(), (Labels{{10 + S, "Fix"}, {30 + S, "Quality"}}));
    QCOMPARE(scale->getHideIntervals(), (Intervals{{0, S + H}}));

    // An ordinary data set brings the ticks back, with gaps around the names.
    XYDataSet* curve = fixture.add(makeDataSet("G01", 10));
    plot.setupYScaleForFixedPositionedDatasets(H, S);
    QCOMPARE(scale->getHideIntervals(), (Intervals{{0, S}, {10 + S - 7, 10 + S + 7}, {30 + S - 10, 30 + S + 10}}));
    QVERIFY(scale->getRequiredWidthForLabelsAtFixedPosition() > 10);
    QCOMPARE(scale->minimumWidth(), plot.calculateHorizontalScaleWidth(true));

    // Hidden data sets take no part; a hidden ordinary one leaves only names.
    fix->visible = false;
    curve->visible = false;
    plot.setupYScaleForFixedPositionedDatasets(H, S);
    QCOMPARE(scale->getLabelsAtFixedPosition(), (Labels{{30 + S, "Quality"}}));
    QCOMPARE(scale->getHideIntervals(), (Intervals{{0, S + H}}));
    Q_UNUSED(quality);

    // On screen the scroll bar's own height counts.
    plot.setupYScaleForFixedPositionedDatasets(H, -1);
    const int onScreen = plot.getHorizontalScrollBar()->height();
    QCOMPARE(scale->getLabelsAtFixedPosition(), (Labels{{30 + onScreen, "Quality"}}));
}

void TestXYPlot::autoPlacement()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    QList<XYDataSet*> automatic;
    for (int i = 0; i < 3; ++i) {
        automatic.append(fixture.add(makeDataSet(QString("A%1").arg(i), 5)));
        automatic.last()->getLook()->setFractionallyFixedPositioned(-1.0f);
    }
    plot.repositionAutopositionedDataSets(400);
    QCOMPARE(automatic[0]->getLook()->getFixedYPosition(400), 100);
    QCOMPARE(automatic[1]->getLook()->getFixedYPosition(400), 200);
    QCOMPARE(automatic[2]->getLook()->getFixedYPosition(400), 300);

    // Between the offset-positioned ones: 40 from the top, 60 from the bottom.
    fixture.add(makeDataSet("top", 5))->getLook()->setOffsettedFixedPositioned(40);
    fixture.add(makeDataSet("bottom", 5))->getLook()->setOffsettedFixedPositioned(-60);
    plot.repositionAutopositionedDataSets(400);
    QCOMPARE(automatic[0]->getLook()->getFixedYPosition(400), 40 + 75);
    QCOMPARE(automatic[2]->getLook()->getFixedYPosition(400), 40 + 3 * 75);

    // A hidden one is left out of the spread.
    automatic[1]->visible = false;
    plot.repositionAutopositionedDataSets(400);
    QCOMPARE(automatic[0]->getLook()->getFixedYPosition(400), 40 + 100);
}

void TestXYPlot::legendDrivesRedraws()
{
    PlotFixture fixture;
    XYPlot& plot = *fixture.plot;
    XYDataSet* first = fixture.add(makeDataSet("G01", 5));
    fixture.add(makeDataSet("G02", 5));
    plot.addLegend(true, LEGEND_RIGHT, nullptr);
    XYLegend* legend = plot.getLegend();

    QImage image(300, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    plot.getCanvas()->drawCanvas(&painter);
    painter.end();
    QVERIFY(!plot.getCanvas()->isFullRedrawNeeded());
    legend->getCheckBoxes().at(0)->setChecked(false);
    QVERIFY(!first->visible);
    QVERIFY(plot.getCanvas()->isFullRedrawNeeded());

    // A new appearance rebuilds the legend 200 ms later.
    QPointer<QFrame> frame = legend->getFrame();
    first->getLook()->changeFromLast(Qt::red, SYMBOL_CIRCLE, Qt::SolidLine, 1);
    first->append(10, 1);
    QVERIFY(frame);
    QTRY_VERIFY(!frame);
    QVERIFY(!legend->getCheckBoxes().at(0)->isChecked());
}

void TestXYPlot::renderGeometry_data()
{
    QTest::addColumn<bool>("onTop");
    QTest::newRow("x-axis scale below") << false;
    QTest::newRow("x-axis scale on top") << true;
}

void TestXYPlot::renderGeometry()
{
    QFETCH(bool, onTop);
    PlotFixture fixture;
    setUpForRendering(fixture, onTop);
    XYPlot& plot = *fixture.plot;
    const QImage image = plot.renderToPixmap(QSize(1200, 800), getDefaultPlotRenderSettings(), false, false, QString())
                             .toImage();
    QCOMPARE(image.size(), QSize(1200, 800));
    const int yScaleW = plot.getHorizontalScale()->minimumWidth();
    const int xScaleH = plot.getVerticalScale()->minimumHeight();
    QVERIFY(yScaleW > 10);
    QCOMPARE(xScaleH, 10 + QFontMetrics(getPlotRenderSettings()->scaleFont).height());

    // The canvas: (1200 - y-axis scale width) x (800 - x-axis scale height),
    // under or above the x-axis scale, with a one-pixel frame.
    const int x0 = yScaleW;
    const int top = onTop ? xScaleH : 0;
    const int ch = 800 - xScaleH;
    for (int x = x0; x < 1200; ++x) {
        QVERIFY2(isDark(image, x, top) && isDark(image, x, top + ch - 1), qPrintable(QString::number(x)));
        QVERIFY(!isDark(image, x, top + 1) || x == x0 || x == 1199);
    }
    for (int y = top; y < top + ch; ++y)
        QVERIFY(isDark(image, x0, y) && isDark(image, 1199, y));
    QVERIFY(!isDark(image, x0 + 3, top + 3));

    // Every grid line of the canvas meets a tick on each scale.
    const QColor gridColor(Qt::lightGray);
    const int tickRow = onTop ? top - 2 : top + ch + 2;
    int verticalLines = 0;
    for (int x = x0 + 2; x < 1198; ++x) {
        if (image.pixelColor(x, top + 5) != gridColor)
            continue;
        ++verticalLines;
        QVERIFY2(darkNear(image, x, tickRow, true), qPrintable(QString("grid column %1").arg(x)));
    }
    int horizontalLines = 0;
    for (int y = top + 2; y < top + ch - 2; ++y) {
        if (image.pixelColor(x0 + 5, y) != gridColor)
            continue;
        ++horizontalLines;
        QVERIFY2(darkNear(image, x0 - 3, y, false), qPrintable(QString("grid row %1").arg(y)));
    }
    QVERIFY(verticalLines >= 4);
    QVERIFY(horizontalLines >= 4);

    // Tick labels on both scales.
    QVERIFY(darkBox(image, QRect(0, top + 10, x0 - 11, ch - 40)).isValid());
    const QRect xLabels = onTop ? QRect(x0 + 30, 0, 1100, xScaleH - 10) : QRect(x0 + 30, ch + 10, 1100, xScaleH - 10);
    QVERIFY(darkBox(image, xLabels).isValid());
}

void TestXYPlot::renderRestoresSettingsAndScales()
{
    PlotFixture fixture;
    setUpForRendering(fixture, false);
    XYPlot& plot = *fixture.plot;
    plot.renderToPixmap(QSize(600, 400), getDefaultPlotRenderSettings(), false, false, QString());
    const qsizetype depth = plotRenderSettings.size();
    const int before = plot.getHorizontalScale()->minimumWidth();
    const int heightBefore = plot.getVerticalScale()->minimumHeight();

    PlotRenderSettings_t print = getDefaultPlotRenderSettings();
    print.majorTickLength = 16;
    const QImage image = plot.renderToPixmap(QSize(600, 400), print, false, false, QString()).toImage();
    // In the image the scale is 10 pixels wider (tick allowance 20 instead of 10).
    QCOMPARE(firstDarkColumn(image, 1), before + 10);
    // On screen nothing changed.
    QCOMPARE(plotRenderSettings.size(), depth);
    QCOMPARE(getPlotRenderSettings()->majorTickLength, 8);
    QCOMPARE(plot.getHorizontalScale()->minimumWidth(), before);
    QCOMPARE(plot.getVerticalScale()->minimumHeight(), heightBefore);
    QCOMPARE(plot.getHorizontalScale()->getHideIntervals().value(0), (std::pair<int, int>(0, plot.getHorizontalScrollBar()->height())));
}

void TestXYPlot::renderTitlesAndCaption()
{
    PlotFixture fixture;
    setUpForRendering(fixture, false);
    XYPlot& plot = *fixture.plot;
    plot.setAxisTitle(HORIZONTAL, "Time of week (s)");
    plot.setAxisTitle(VERTICAL, "C/N0 (dB-Hz)");
    const PlotRenderSettings_t settings = getDefaultPlotRenderSettings();
    const int xScaleH = plot.getVerticalScale()->minimumHeight();
    const int titleFontHeight = QFontMetrics(settings.axisTitleFont).height();
    const int yTitleW = int(std::floor(1.5 * titleFontHeight));

    // Without the x-axis title: the y-axis title alone, left of the scale.
    QImage image = plot.renderToPixmap(QSize(800, 500), settings, false, false, QString()).toImage();
    const int yScaleW = plot.getHorizontalScale()->minimumWidth();
    const int x0 = yTitleW + yScaleW;
    const int ch = 500 - xScaleH;
    QVERIFY(isDark(image, x0, ch - 1) && isDark(image, 799, ch - 1));
    const QRect yTitleInk = darkBox(image, QRect(0, 0, yTitleW, ch));
    QVERIFY(yTitleInk.isValid());
    QVERIFY(yTitleInk.height() > 3 * yTitleInk.width());
    QVERIFY(!darkBox(image, QRect(x0, ch + xScaleH, 800 - x0, 500 - ch - xScaleH)).isValid());

    // With it: a strip of 1.5 font heights at the bottom, the canvas shorter.
    image = plot.renderToPixmap(QSize(800, 500), settings, false, true, QString()).toImage();
    const int xTitleH = int(std::floor(1.5 * titleFontHeight));
    const int shorter = 500 - xScaleH - xTitleH;
    QVERIFY(isDark(image, x0 + 5, shorter - 1));
    QVERIFY(!isDark(image, x0 + 5, shorter + 1) || !isDark(image, x0 + 5, shorter + 2));
    const QRect xTitleInk = darkBox(image, QRect(x0, shorter + xScaleH, 800 - x0, xTitleH));
    QVERIFY(xTitleInk.isValid());
    QVERIFY(std::abs(xTitleInk.center().x() - (x0 + 800) / 2) < 5);

    // A caption: right-aligned in a strip at the bottom, the canvas above it.
    image = plot.renderToPixmap(QSize(800, 500), settings, false, false, "Receiver 1, 1 May").toImage();
    const QRect frameColumn = darkBox(image, QRect(799, 0, 1, 500));
    const int captionTop = frameColumn.bottom() + 1 + xScaleH;
    QVERIFY(captionTop < 500 - QFontMetrics(settings.legendFont).height());
    const QRect captionInk = darkBox(image, QRect(x0, captionTop, 800 - x0, 500 - captionTop));
    QVERIFY(captionInk.isValid());
    QVERIFY(captionInk.left() > (x0 + 800) / 2);
    QVERIFY(captionInk.right() > 800 - 20);
}

void TestXYPlot::renderLegendColumn()
{
    PlotFixture fixture;
    setUpForRendering(fixture, false);
    XYPlot& plot = *fixture.plot;
    fixture.add(makeDataSet("G05 L1", 20, Qt::darkGreen));
    plot.addLegend(true, LEGEND_RIGHT, nullptr);
    const int xScaleH = plot.getVerticalScale()->minimumHeight();
    plotRenderSettings.append(getDefaultPlotRenderSettings());
    const int legendW = plot.getLegend()->drawLegendToPixmap(QSize(1200 / 3, 800 - xScaleH)).width();
    plotRenderSettings.takeLast();
    QVERIFY(legendW > 0 && legendW <= 400);

    const QImage image = plot.renderToPixmap(QSize(1200, 800), getDefaultPlotRenderSettings(), true, false, QString())
                             .toImage();
    const int right = 1200 - legendW - 1;
    for (int y = 0; y < 800 - xScaleH; ++y)
        QVERIFY(isDark(image, right, y));
    QVERIFY(!isDark(image, right + 1, 5));
    QVERIFY(darkBox(image, QRect(right + 1, xScaleH, legendW, 800 - xScaleH)).isValid());

    // Without the legend the canvas takes the whole width.
    const QImage without = plot.renderToPixmap(QSize(1200, 800), getDefaultPlotRenderSettings(), false, false,
                                               QString()).toImage();
    QVERIFY(isDark(without, 1199, 5));
    QVERIFY(!isDark(without, right, 5));
}

void TestXYPlot::renderEndsWhenWidthKeepsChanging()
{
    PlotFixture fixture;
    GrowingLabelGrid grid(HORIZONTAL, nullptr);
    XYPlot& plot = *fixture.plot;
    plot.getCanvas()->setGrid(HORIZONTAL, &grid, false);
    setUpForRendering(fixture, false);
    const qsizetype depth = plotRenderSettings.size();
    const QPixmap pixmap = plot.renderToPixmap(QSize(600, 400), getDefaultPlotRenderSettings(), false, false, QString());
    QCOMPARE(pixmap.size(), QSize(600, 400));
    QCOMPARE(plotRenderSettings.size(), depth);
    // A few attempts, each computing a handful of labels, not an endless loop.
    QVERIFY(grid.calls > 0);
    QVERIFY(grid.calls < 400);
}

void TestXYPlot::renderWritesPlotTextsInTheScaleFont()
{
    PlotFixture fixture;
    setUpForRendering(fixture, false);
    XYPlot& plot = *fixture.plot;
    Marker_t threshold;
    threshold.type = MARKER_BACKGROUND;
    threshold.orientation = HORIZONTAL;
    threshold.position = 0.25;
    threshold.color = Qt::red;
    threshold.label = "threshold";
    plot.addMarker(&threshold);

    // The label sits above its line, at the left edge of the canvas.
    auto labelHeight = [&](PlotRenderSettings_t const& settings) {
        const QImage image = plot.renderToPixmap(QSize(800, 600), settings, false, false, QString()).toImage();
        // The marker line runs across the canvas; the label is above its left end.
        QRect line;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == QColor(Qt::red))
                    line |= QRect(x, y, 1, 1);
        // The label's grey (100, 100, 100), not the grid's light grey.
        QRect box;
        for (int y = std::max(0, line.top() - 60); y < line.top() - 1; ++y)
            for (int x = line.left() + 1; x < line.left() + 300; ++x)
                if (qGray(image.pixel(x, y)) < 150)
                    box |= QRect(x, y, 1, 1);
        return box.height();
    };
    const int normal = labelHeight(getDefaultPlotRenderSettings());
    PlotRenderSettings_t print = getDefaultPlotRenderSettings();
    print.scaleFont.setPointSize(3 * QFontInfo(print.scaleFont).pointSize());
    const int large = labelHeight(print);
    QVERIFY2(normal > 3 && large > 2 * normal, qPrintable(QString("%1 %2").arg(normal).arg(large)));
    // The canvas keeps its own font.
    QVERIFY(!plot.getCanvas()->testAttribute(Qt::WA_SetFont));
    QCOMPARE(plot.getCanvas()->font(), QApplication::font());
}

QTEST_MAIN(TestXYPlot)
#include "tst_xyplot.moc"
