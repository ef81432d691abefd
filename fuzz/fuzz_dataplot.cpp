// The library's public data path: a small plot (a plain XYPlot or a time
// plot) with one to three data sets, driven by the bytes of the input as a
// host and a user would drive it - appends of any double, left shifts and
// decimation, view changes, zooms and drags, mouse and wheel events on the
// canvas, policy changes, look changes, renders and repaints.
//
// Input layout: two configuration bytes, then operations, each an opcode byte
// followed by its arguments (see Op).  The decoder never fails: missing bytes
// read as zero.  Set FUZZ_DATAPLOT_TRACE=1 to have each operation printed
// while a reproducer replays.
#include "fuzzsupport.h"

#include <zebplot/zebplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

// Each input stays fast: at most this many operations and appended points.
constexpr int kMaxOperations = 200;
constexpr int kMaxPoints = 20000;

bool tracing = false;

void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void trace(const char* format, ...)
{
    if (!tracing)
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

enum Op {
    AppendPoint,      // data set, x (next or any), y
    AppendBurst,      // data set, count, base, amplitude
    LeftShift,        // data set, count
    Decimate,         // data set
    ReplaceValue,     // data set, index, value
    SetViewBounds,    // four doubles, emit
    ZoomTo,           // direction, min, max, emit
    ZoomStep,         // which: in/out/full x direction
    Drag,             // direction, delta, emit
    MousePress,       // x, y, buttons, modifiers
    MouseMove,        // x, y, buttons
    MouseRelease,     // x, y, button
    Wheel,            // x, y, angle delta, modifiers
    EnterLeave,       // enter or leave
    Cursor,           // arrow, cross, open hand
    Policy,           // direction, policy, recalculate
    Limits,           // which, value
    ChangeLook,       // data set, colour, symbol, pen, thickness
    ToggleVisible,    // data set
    Render,           // width, height, legend, x title, title
    Repaint,          // canvas repaint, canvas grab, plot grab
    Stream,           // the host's "new data arrived" call
    Resize,           // width, height
    ShowAll,
    TimeAxis,         // time type, UTC offset, leap seconds
    Markers,          // which, position
    LabelsAndLegend,  // which, argument
    PostedEvents,
    ViewportMargin,   // four margins
    ScrollBar,        // which, action or position
    LegendClick,      // entry
    Tracking,         // mouse tracking, hit testing, cross-hair
    OpCount
};

/// The plot under test and everything it draws.
class Scene
{
public:
    explicit Scene(FuzzBytes& in);
    ~Scene();
    void run(FuzzBytes& in);

private:
    void apply(Op op, FuzzBytes& in);
    XYDataSet* pick(FuzzBytes& in);
    /// The arrays that must change together with the data set's.
    QList<DataArray*> arraysOf(XYDataSet* dataSet);
    void append(XYDataSet* dataSet, double x, double y);
    double nextX(FuzzBytes& in);
    QPointF point(FuzzBytes& in);
    void send(QEvent* event);
    void sendMouse(Op op, FuzzBytes& in);

    std::unique_ptr<TimePlotWidget> timePlot;
    std::unique_ptr<XYPlot> ownPlot;
    std::unique_ptr<LinearGrid> xGrid;
    std::unique_ptr<LinearGrid> yGrid;
    XYPlot* plot = nullptr;
    XYCanvas* canvas = nullptr;
    QList<XYDataSet*> dataSets;
    /// When set, all data sets share it as their x array, as a receiver
    /// monitor keeps one time array for all series of a plot.
    DataArray* sharedTime = nullptr;
    QList<Marker_t*> markers;
    double lastX = 0.0;
    int points = 0;
};

Scene::Scene(FuzzBytes& in)
{
    const uint8_t config = in.byte();
    const uint8_t kinds = in.byte();
    const int dataSetCount = 1 + (config >> 1 & 3) % 3;
    const bool shared = config & 8;
    trace("config: %s, %d data sets%s%s", config & 1 ? "time plot" : "plain plot", dataSetCount,
          shared ? ", shared time" : "", config & 16 ? ", scroll bars" : "");
    if (config & 1) {
        timePlot.reset(new TimePlotWidget(18, QStringLiteral("fuzz"), 40, 60, QStringLiteral("C/N0"), false, 1.0,
                                          nullptr));
        plot = timePlot->getXYPlot();
    } else {
        ownPlot.reset(new XYPlot(config & 16, true, false, nullptr));
        plot = ownPlot.get();
        xGrid.reset(new LinearGrid(VERTICAL, nullptr));
        yGrid.reset(new LinearGrid(HORIZONTAL, nullptr));
        plot->getCanvas()->setGrid(VERTICAL, xGrid.get(), false);
        plot->getCanvas()->setGrid(HORIZONTAL, yGrid.get(), false);
        plot->addScale(VERTICAL, false);
        plot->addScale(HORIZONTAL, true);
    }
    canvas = plot->getCanvas();
    if (shared)
        sharedTime = new DataArrayTemplate<double>();
    static const QColor colors[] = {Qt::blue, Qt::red, Qt::darkGreen};
    for (int i = 0; i < dataSetCount; ++i) {
        // The kind of each data set: a line, symbols, or a colour bar.
        const int kind = kinds >> (2 * i) & 3;
        DataArray* x = sharedTime ? sharedTime : new DataArrayTemplate<double>();
        auto* dataSet = new XYDataSet(x, new DataArrayTemplate<double>(), QStringLiteral("set %1").arg(i), colors[i],
                                      kind == 1 ? SYMBOL_CIRCLE : SYMBOL_NONE, Qt::SolidLine, 1 + kind % 2);
        if (kind == 2) {
            dataSet->getLook()->setColorBar(-10);
            dataSet->setDrawListener(new ColorBarDrawListener(dataSet));
        }
        dataSets.append(dataSet);
    }
    if (timePlot)
        timePlot->setDataSets(dataSets);
    else
        for (XYDataSet* dataSet : std::as_const(dataSets))
            plot->addDataSet(dataSet);
    QWidget* top = timePlot ? static_cast<QWidget*>(timePlot.get()) : plot;
    top->setAttribute(Qt::WA_DontShowOnScreen);
    top->resize(160, 120);
    top->show();
    // Painted once, as on screen before the user can point at it.
    canvas->repaint();
    trace("canvas %dx%d", canvas->width(), canvas->height());
}

Scene::~Scene()
{
    // The plot reads its data sets and markers until it is gone.
    timePlot.reset();
    ownPlot.reset();
    qDeleteAll(dataSets);
    qDeleteAll(markers);
}

void Scene::run(FuzzBytes& in)
{
    for (int n = 0; n < kMaxOperations && !in.atEnd(); ++n)
        apply(Op(in.byte() % OpCount), in);
}

XYDataSet* Scene::pick(FuzzBytes& in)
{
    return dataSets[in.byte() % dataSets.size()];
}

QList<DataArray*> Scene::arraysOf(XYDataSet* dataSet)
{
    if (!sharedTime)
        return {dataSet->xData, dataSet->yData};
    QList<DataArray*> arrays{sharedTime};
    for (XYDataSet* d : std::as_const(dataSets))
        arrays.append(d->yData);
    return arrays;
}

void Scene::append(XYDataSet* dataSet, double x, double y)
{
    ++points;
    if (!sharedTime) {
        dataSet->append(x, y);
        return;
    }
    // One epoch: the time, then a value for every series, the others' gaps.
    sharedTime->append(x);
    for (XYDataSet* d : std::as_const(dataSets))
        d->yData->append(d == dataSet ? y : std::nan(""));
}

double Scene::nextX(FuzzBytes& in)
{
    const uint8_t mode = in.byte();
    // Mostly a growing x as time runs; sometimes anything at all.
    lastX = mode < 192 ? lastX + mode % 16 : in.anyDouble();
    return lastX;
}

QPointF Scene::point(FuzzBytes& in)
{
    // Mostly inside the canvas, sometimes just outside it.
    return QPointF(in.integer(-8, 200) + in.byte() % 4 * 0.25, in.integer(-8, 160));
}

void Scene::send(QEvent* event)
{
    QCoreApplication::sendEvent(canvas, event);
}

/// Finite limits with a positive, finite extent in both directions.
bool isProperView(Bounds const& b)
{
    return std::isfinite(b.minX) && std::isfinite(b.maxX) && std::isfinite(b.minY) && std::isfinite(b.maxY)
           && b.maxX > b.minX && b.maxY > b.minY && std::isfinite(b.maxX - b.minX) && std::isfinite(b.maxY - b.minY);
}

void Scene::sendMouse(Op op, FuzzBytes& in)
{
    const QPointF at = point(in);
    const Bounds before = canvas->getViewBounds();
    if (op == Wheel) {
        const int delta = int16_t(in.byte() << 8 | in.byte());
        trace("wheel at (%g, %g) by %d", at.x(), at.y(), delta);
        QWheelEvent event(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        send(&event);
    } else {
        const uint8_t b = in.byte();
        static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::NoButton};
        const Qt::MouseButton button = buttons[b & 3];
        // The buttons held during the event: the pressed one, and sometimes another.
        Qt::MouseButtons held = op == MouseRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
        if (b & 4)
            held |= buttons[b >> 3 & 3];
        const auto type = op == MousePress     ? QEvent::MouseButtonPress
                          : op == MouseRelease ? QEvent::MouseButtonRelease
                                               : QEvent::MouseMove;
        trace("mouse %s at (%g, %g), button %d, held %d",
              op == MousePress ? "press" : op == MouseRelease ? "release" : "move", at.x(), at.y(), int(button),
              int(held));
        QMouseEvent event(type, at, canvas->mapToGlobal(at), op == MouseMove ? Qt::NoButton : button, held,
                          Qt::NoModifier);
        send(&event);
    }
    // Whatever the user does with the mouse, a usable view stays usable.
    const Bounds after = canvas->getViewBounds();
    FUZZ_CHECK(!isProperView(before) || isProperView(after),
               "mouse input turned the view x %.17g..%.17g, y %.17g..%.17g into x %.17g..%.17g, y %.17g..%.17g",
               before.minX, before.maxX, before.minY, before.maxY, after.minX, after.maxX, after.minY, after.maxY);
}

void Scene::apply(Op op, FuzzBytes& in)
{
    switch (op) {
    case AppendPoint: {
        XYDataSet* dataSet = pick(in);
        const double x = nextX(in);
        const double y = in.anyDouble();
        if (points >= kMaxPoints)
            return;
        trace("append %s (%g, %g)", qPrintable(dataSet->name), x, y);
        append(dataSet, x, y);
        return;
    }
    case AppendBurst: {
        XYDataSet* dataSet = pick(in);
        const int count = in.integer(1, 256);
        const double base = in.anyDouble();
        const double amplitude = in.anyDouble();
        trace("append %d points to %s around %g by %g", count, qPrintable(dataSet->name), base, amplitude);
        for (int i = 0; i < count && points < kMaxPoints; ++i) {
            lastX += 1.0;
            append(dataSet, lastX, base + amplitude * ((i * 7) % 13 - 6));
        }
        return;
    }
    case LeftShift: {
        XYDataSet* dataSet = pick(in);
        const int count = in.integer(0, 300);
        trace("left shift %s by %d", qPrintable(dataSet->name), count);
        for (DataArray* array : arraysOf(dataSet))
            array->leftshift(count);
        return;
    }
    case Decimate: {
        XYDataSet* dataSet = pick(in);
        trace("decimate %s", qPrintable(dataSet->name));
        for (DataArray* array : arraysOf(dataSet))
            array->decimateKeepEven();
        for (XYDataSet* d : std::as_const(dataSets))
            if (sharedTime || d == dataSet)
                d->getLook()->decimateKeepEven();
        return;
    }
    case ReplaceValue: {
        XYDataSet* dataSet = pick(in);
        const int index = in.integer(0, 255);
        const double value = in.anyDouble();
        if (index >= dataSet->yData->dataSize())
            return;
        trace("replace y[%d] of %s by %g", index, qPrintable(dataSet->name), value);
        dataSet->yData->replace(index, value);
        return;
    }
    case SetViewBounds: {
        Bounds view;
        view.minX = in.anyDouble();
        view.maxX = in.anyDouble();
        view.minY = in.anyDouble();
        view.maxY = in.anyDouble();
        const bool emitNow = in.byte() & 1;
        trace("setViewBounds(%g, %g, %g, %g, %d)", view.minX, view.maxX, view.minY, view.maxY, emitNow);
        canvas->setViewBounds(view, emitNow);
        return;
    }
    case ZoomTo: {
        const auto direction = Bounds::Direction(in.byte() & 1);
        const double min = in.anyDouble();
        const double max = in.anyDouble();
        const bool emitNow = in.byte() & 1;
        trace("zoomTo(%d, %g, %g, %d)", direction, min, max, emitNow);
        canvas->zoomTo(direction, min, max, emitNow);
        return;
    }
    case ZoomStep: {
        const uint8_t which = in.byte();
        const auto direction = Bounds::Direction(which & 1);
        trace("zoom %s %d", which % 6 < 2 ? "in" : which % 6 < 4 ? "out" : "full", direction);
        if (which % 6 < 2)
            canvas->zoomIn(direction, true);
        else if (which % 6 < 4)
            canvas->zoomOut(direction, true);
        else
            canvas->zoomFull(direction, true);
        return;
    }
    case Drag: {
        const auto direction = Bounds::Direction(in.byte() & 1);
        const double delta = in.anyDouble();
        const bool emitNow = in.byte() & 1;
        trace("drag(%d, %g, %d)", direction, delta, emitNow);
        canvas->dragViewBounds(direction, delta, emitNow);
        return;
    }
    case MousePress:
    case MouseMove:
    case MouseRelease:
    case Wheel:
        sendMouse(op, in);
        return;
    case EnterLeave: {
        if (in.byte() & 1) {
            const QPointF at = point(in);
            trace("enter at (%g, %g)", at.x(), at.y());
            QEnterEvent event(at, at, canvas->mapToGlobal(at));
            send(&event);
        } else {
            trace("leave");
            QEvent event(QEvent::Leave);
            send(&event);
        }
        return;
    }
    case Cursor: {
        static const Qt::CursorShape shapes[] = {Qt::ArrowCursor, Qt::CrossCursor, Qt::OpenHandCursor};
        const Qt::CursorShape shape = shapes[in.byte() % 3];
        trace("cursor %d", int(shape));
        canvas->changeCursor(shape);
        return;
    }
    case Policy: {
        const auto direction = Bounds::Direction(in.byte() & 1);
        const auto policy = XYCanvas::ViewBoundsUpdatePolicy(in.byte() % 4);
        const bool recalculate = in.byte() & 1;
        trace("policy(%d, %d, %d)", direction, policy, recalculate);
        canvas->setViewBoundsUpdatePolicy(direction, policy, recalculate);
        return;
    }
    case Limits: {
        const uint8_t which = in.byte() % 3;
        const double value = in.anyDouble();
        trace("%s %g", which == 0 ? "horizontal zoom limit" : which == 1 ? "vertical zoom limit" : "gap threshold",
              value);
        if (which == 0)
            canvas->setHorizontalZoomLimit(value);
        else if (which == 1)
            canvas->setVerticalZoomLimit(value);
        else
            canvas->setHorizontalDisconnectionThreshold(value);
        return;
    }
    case ChangeLook: {
        XYDataSet* dataSet = pick(in);
        const QColor color = QColor::fromRgb(in.byte() << 16 | in.byte() << 8 | in.byte());
        // Symbols beyond the named ones draw nothing; a host may still store them.
        const int symbol = in.integer(0, 15);
        const auto pen = Qt::PenStyle(in.byte() % 7);
        const int thickness = in.integer(0, 6);
        trace("look of %s from here: %s, symbol %d, pen %d, thickness %d", qPrintable(dataSet->name),
              qPrintable(color.name()), symbol, int(pen), thickness);
        dataSet->getLook()->changeFromLast(color, E_SYMBOL(symbol), pen, thickness);
        return;
    }
    case ToggleVisible: {
        XYDataSet* dataSet = pick(in);
        dataSet->visible = !dataSet->visible;
        trace("%s %s", qPrintable(dataSet->name), dataSet->visible ? "shown" : "hidden");
        plot->redrawCanvas();
        return;
    }
    case Render: {
        const QSize size(in.integer(0, 64), in.integer(0, 48));
        const uint8_t flags = in.byte();
        trace("render %dx%d, legend %d, x title %d, title %d", size.width(), size.height(), flags & 1, flags >> 1 & 1,
              flags >> 2 & 1);
        const QPixmap pixmap = plot->renderToPixmap(size, getDefaultPlotRenderSettings(), flags & 1, flags & 2,
                                                    flags & 4 ? QStringLiteral("Caption") : QString());
        (void)pixmap.toImage();
        return;
    }
    case Repaint: {
        const uint8_t which = in.byte() % 3;
        trace("%s", which == 0 ? "repaint canvas" : which == 1 ? "grab canvas" : "grab plot");
        if (which == 0)
            canvas->repaint();
        else if (which == 1)
            (void)canvas->grab();
        else
            (void)plot->grab();
        return;
    }
    case Stream:
        trace("new data drawn");
        if (timePlot) {
            timePlot->updateTimePlot();
        } else {
            canvas->updateBounds();
            plot->drawNewPoints();
        }
        return;
    case Resize: {
        const int width = in.integer(0, 400);
        const int height = in.integer(0, 300);
        trace("resize %dx%d", width, height);
        (timePlot ? static_cast<QWidget*>(timePlot.get()) : plot)->resize(width, height);
        return;
    }
    case ShowAll:
        trace("show all");
        plot->showFullPlot();
        return;
    case TimeAxis: {
        if (!timePlot)
            return;
        const auto type = ETimeType(in.byte() % 5);
        const float offset = float(in.anyDouble());
        const short leap = short(in.integer(-200, 200));
        trace("time axis %d, UTC offset %g, leap seconds %d", int(type), double(offset), leap);
        timePlot->setUtcOffset(offset);
        timePlot->setDeltaLS(leap);
        timePlot->changeTimeAxis(type);
        return;
    }
    case Markers: {
        const uint8_t which = in.byte();
        const double position = in.anyDouble();
        if (timePlot) {
            trace("horizontal marker %d at %g, shown %d", which & 1, position, which >> 1 & 1);
            if (which & 1) {
                timePlot->updateHorizMarkerOne(position, QStringLiteral("mean"));
                timePlot->showHMarkerOne(which & 2);
            } else {
                timePlot->updateHorizMarkerTwo(position, QStringLiteral("threshold"));
                timePlot->showHMarkerTwo(which & 2);
            }
        } else if (markers.size() < 4) {
            trace("%s marker at %g", which & 1 ? "horizontal" : "vertical", position);
            auto* marker = new Marker_t;
            marker->type = which & 2 ? MARKER_FOREGROUND : MARKER_BACKGROUND;
            marker->orientation = which & 1 ? HORIZONTAL : VERTICAL;
            marker->position = position;
            marker->color = Qt::magenta;
            marker->penStyle = Qt::DashLine;
            marker->width = 1;
            marker->label = QStringLiteral("m%1").arg(markers.size());
            markers.append(marker);
            plot->addMarker(marker);
        }
        return;
    }
    case LabelsAndLegend: {
        const uint8_t which = in.byte();
        if (which & 1) {
            const auto orientation = E_ORIENTATION_TYPE(which >> 1 & 1);
            const auto type = E_LABEL_TYPE(which >> 2 & 3);
            trace("labels of axis %d: %d", int(orientation), int(type));
            plot->setLabelType(orientation, type);
        } else if (timePlot) {
            trace("legend update");
            timePlot->updateLegend();
        } else if (which & 2) {
            trace("legend %s, checkable %d", which & 4 ? "right" : "below", which >> 3 & 1);
            plot->addLegend(which & 8, which & 4 ? LEGEND_RIGHT : LEGEND_BOTTOM, nullptr);
        } else {
            trace("legend removed");
            plot->removeLegend();
        }
        return;
    }
    case PostedEvents:
        trace("posted events");
        QCoreApplication::sendPostedEvents();
        return;
    case ViewportMargin: {
        int margins[4];
        for (int& margin : margins)
            margin = in.integer(0, 40);
        trace("viewport margins %d %d %d %d", margins[0], margins[1], margins[2], margins[3]);
        canvas->setViewportMargin(margins[0], margins[1], margins[2], margins[3]);
        return;
    }
    case ScrollBar: {
        const uint8_t which = in.byte();
        QScrollBar* bar = which & 1 ? plot->getVerticalScrollBar() : plot->getHorizontalScrollBar();
        const uint8_t how = in.byte();
        if (!bar)
            return;
        if (which & 2) {
            // Steps, pages and the ends, as the arrows, the trough and the keys move it.
            trace("scroll bar %d action %d", which & 1, 1 + how % 6);
            bar->triggerAction(QAbstractSlider::SliderAction(1 + how % 6));
        } else {
            const int value = bar->minimum() + int(double(how) / 255 * (double(bar->maximum()) - bar->minimum()));
            trace("scroll bar %d to %d of %d..%d", which & 1, value, bar->minimum(), bar->maximum());
            bar->setValue(value);
        }
        return;
    }
    case LegendClick: {
        const uint8_t entry = in.byte();
        XYLegend* legend = plot->getLegend();
        const QList<QCheckBox*> boxes = legend ? legend->findChildren<QCheckBox*>() : QList<QCheckBox*>();
        if (boxes.isEmpty())
            return;
        trace("legend check box %d of %lld clicked", entry % int(boxes.size()), qint64(boxes.size()));
        boxes[entry % boxes.size()]->click();
        return;
    }
    case Tracking: {
        const uint8_t flags = in.byte();
        trace("mouse tracking %d, hit testing %d, cross-hair %d", flags & 1, flags >> 1 & 1, flags >> 2 & 1);
        plot->enableMouseTracking(flags & 1);
        canvas->setDefaultMouseOverDataTrackingEnabled(flags & 2);
        if (flags & 4)
            canvas->enableMouseMarkers(XYCanvas::Horizontal | XYCanvas::Vertical);
        else
            canvas->disableMouseMarkers();
        return;
    }
    case OpCount:
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startHeadlessApplication();
    // Nobody can answer a message box here.
    zebplotUserInteractionDisabled = true;
    tracing = qEnvironmentVariableIntValue("FUZZ_DATAPLOT_TRACE") > 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzBytes in(data, size);
    Scene scene(in);
    scene.run(in);
    return 0;
}
