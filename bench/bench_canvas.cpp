// Drawing speed of the canvas against a widely used peer plotting widget
// (QCustomPlot 2.1 for Qt 6), on the same data and in the same run, so that
// the ratios hold even on a noisy machine.
//
// Workloads: full redraw after a view change, streaming frames (append one
// point to each of 8 series, update the view, draw the new points, paint),
// the hit test under the mouse, and memory per stored point.  Both widgets are
// 1600 x 900, shown on the offscreen platform and painted synchronously, so
// that both pay for drawing into their buffer and for copying the buffer into
// the window: full redraws by repaint() and the peer's replot(), a streaming
// frame of ours by processing the update request it posted (the region of
// the new points), one of the peer by its replot().  The peer is only measured when the bench was built with it
// (ZEBPLOT_BENCH_HAVE_PEER).
//
// A plain timing harness with medians: every measurement alternates between
// the two libraries so that both see the same machine load.  Each operation is
// timed twice: in CPU time of the process (what the code costs; stable on a
// machine shared with other jobs) and in wall time (what a caller waited,
// including time the process was not running).

#include <zebplot/zebplot.h>

#ifdef ZEBPLOT_BENCH_HAVE_PEER
#include <qcustomplot.h>
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 900;

using Clock = std::chrono::steady_clock;

double cpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Times of repeated runs of one operation, in CPU and in wall time (ms).
struct Samples
{
    std::vector<double> cpu;
    std::vector<double> wall;
    bool empty() const { return cpu.empty(); }
};

struct Stopwatch
{
    Clock::time_point wall = Clock::now();
    double cpu = cpuMs();

    void addTo(Samples& samples) const
    {
        samples.cpu.push_back(cpuMs() - cpu);
        samples.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - wall).count());
    }
};

double median(std::vector<double> v)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double mean(std::vector<double> const& v)
{
    return v.empty() ? std::nan("") : std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p / 100.0 * double(v.size())));
    return v[i];
}

long residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4096L : -1;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// One random walk over increasing x, continued by the streaming frames.
struct Walk
{
    std::mt19937_64 random;
    std::normal_distribution<double> step{0.0, 1.0};
    double x = 0.0;
    double y = 0.0;

    explicit Walk(unsigned seed) : random(seed) {}
    void next()
    {
        x += 1.0;
        y += step(random);
    }
};

// Told about every drawn point and doing nothing: its presence makes the
// canvas step through the points one by one instead of merging pixel columns.
class SilentListener : public XYDataSetDrawListener
{
public:
    explicit SilentListener(XYDataSet* dataSet) : XYDataSetDrawListener(dataSet, nullptr) {}
    void drawingDataPoint(int, int) override {}
};

// ---------------------------------------------------------------------------
// Our side: a canvas with its own data-set and marker lists.

struct OurPlot
{
    QList<XYDataSet*> dataSets;
    QList<Marker_t*> markers;
    QList<EllipseMarker_t*> ellipses;
    QList<CrossMarker_t*> crosses;
    QList<BandMarker_t*> bands;
    std::unique_ptr<XYCanvas> canvas;

    OurPlot() : canvas(new XYCanvas(&dataSets, &markers, &ellipses, &crosses, &bands, false, nullptr))
    {
        canvas->resize(kWidth, kHeight);
        // Long redraws must not be split over event-loop turns: the bench
        // measures the whole picture.
        canvas->setContinueBackgroundDrawingUntilFinished(true);
    }
    ~OurPlot()
    {
        canvas.reset();
        qDeleteAll(dataSets);
    }

    /// squeeze: give the arrays back their spare capacity (stored data);
    /// a live series keeps it, or its next append copies the whole array.
    XYDataSet* addSeries(Walk& walk, int n, bool squeeze = false)
    {
        auto* x = new DataArrayTemplate<double>();
        auto* y = new DataArrayTemplate<double>();
        auto* dataSet = new XYDataSet(x, y, QStringLiteral("series %1").arg(dataSets.size()), Qt::black,
                                      SYMBOL_NONE, Qt::SolidLine, 1, nullptr);
        for (int i = 0; i < n; ++i) {
            dataSet->append(walk.x, walk.y);
            walk.next();
        }
        if (squeeze) {
            x->squeeze();
            y->squeeze();
        }
        dataSets.append(dataSet);
        return dataSet;
    }

    void show()
    {
        canvas->show();
        settle();
    }

    // The view showing the x range [fromX, toX] and all y values.
    void setView(double fromX, double toX)
    {
        const Bounds strict = canvas->calculateStrictDataBounds();
        const double margin = 0.05 * (strict.maxY - strict.minY);
        canvas->setViewBounds(Bounds(fromX, toX, strict.minY - margin, strict.maxY + margin), true);
    }
};

#ifdef ZEBPLOT_BENCH_HAVE_PEER
// ---------------------------------------------------------------------------
// The peer: its plot area covers the whole widget (no axes, no grid, no
// margins), like our canvas without grids.

struct PeerPlot
{
    std::unique_ptr<QCustomPlot> plot;

    PeerPlot() : plot(new QCustomPlot())
    {
        plot->resize(kWidth, kHeight);
        plot->axisRect()->setAutoMargins(QCP::msNone);
        plot->axisRect()->setMargins(QMargins(0, 0, 0, 0));
        for (QCPAxis* axis : plot->axisRect()->axes()) {
            axis->setVisible(false);
            axis->grid()->setVisible(false);
        }
    }

    QCPGraph* addSeries(Walk& walk, int n)
    {
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(Qt::black, 1));
        QVector<QCPGraphData> data(n);
        for (int i = 0; i < n; ++i) {
            data[i] = QCPGraphData(walk.x, walk.y);
            walk.next();
        }
        graph->data()->set(data, true);
        return graph;
    }

    void show()
    {
        plot->show();
        // The peer's own setting for drawing its buffer at the screen's
        // resolution (QT_SCALE_FACTOR=2 runs the whole bench at ratio 2).
        plot->setBufferDevicePixelRatio(plot->devicePixelRatioF());
        settle();
    }

    void setView(double fromX, double toX)
    {
        bool found = false;
        QCPRange y;
        for (int i = 0; i < plot->graphCount(); ++i) {
            const QCPRange r = plot->graph(i)->data()->valueRange(found);
            y = i == 0 ? r : QCPRange(std::min(y.lower, r.lower), std::max(y.upper, r.upper));
        }
        const double margin = 0.05 * y.size();
        plot->xAxis->setRange(fromX, toX);
        plot->yAxis->setRange(y.lower - margin, y.upper + margin);
    }

    void replot() { plot->replot(QCustomPlot::rpImmediateRefresh); }
};
#endif

// ---------------------------------------------------------------------------
// Report

struct Row
{
    std::string name;
    std::string unit;
    double ours;
    double peer; // NaN: not measured
    double oursWall;
    double peerWall;
    std::string target;
};

std::vector<Row> rows;

void report(std::string name, std::string unit, double ours, double peer, double oursWall, double peerWall,
            std::string target)
{
    rows.push_back({name, unit, ours, peer, oursWall, peerWall, target});
    std::printf("  %-62s ours %9.4f", name.c_str(), ours);
    if (!std::isnan(peer))
        std::printf("  peer %9.4f  peer/ours %6.2f", peer, peer / ours);
    std::printf(" %s", unit.c_str());
    if (!std::isnan(oursWall)) {
        std::printf("   | wall: ours %9.4f", oursWall);
        if (!std::isnan(peerWall))
            std::printf("  peer %9.4f  peer/ours %6.2f", peerWall, peerWall / oursWall);
    }
    std::printf("\n");
    std::fflush(stdout);
}

enum Statistic { Median, Mean };

double statistic(std::vector<double> const& v, Statistic which)
{
    return which == Median ? median(v) : mean(v);
}

void reportTimes(std::string name, std::string unit, double scale, Samples const& ours, Samples const& peer,
                 Statistic which, std::string target)
{
    report(name, unit, scale * statistic(ours.cpu, which), scale * statistic(peer.cpu, which),
           scale * statistic(ours.wall, which), scale * statistic(peer.wall, which), target);
}

std::string figure(double v, std::string const& unit)
{
    if (std::isnan(v))
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, unit == "bytes" ? "%.3f %s" : "%.3g %s", v, unit.c_str());
    return text;
}

std::string ratio(double peer, double ours)
{
    if (std::isnan(peer) || std::isnan(ours))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", peer / ours);
    return text;
}

void printTable()
{
    std::printf("\n| Workload | Ours (CPU) | QCustomPlot (CPU) | ratio | Ours (wall) | QCustomPlot (wall) | ratio | Target |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (Row const& r : rows)
        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", r.name.c_str(), figure(r.ours, r.unit).c_str(),
                    figure(r.peer, r.unit).c_str(), ratio(r.peer, r.ours).c_str(), figure(r.oursWall, r.unit).c_str(),
                    figure(r.peerWall, r.unit).c_str(), ratio(r.peerWall, r.oursWall).c_str(), r.target.c_str());
    std::printf("\nratio = QCustomPlot / ours: above 1 means the canvas is faster (or smaller).\n");
}

// ---------------------------------------------------------------------------
// The floor: one pass over sorted x and y that keeps the minimum and maximum
// per pixel column, using binary search on x for each column's end.

double floorLoop(std::vector<double> const& x, std::vector<double> const& y, double minX, double maxX)
{
    const double factor = kWidth / (maxX - minX);
    std::vector<double> lo(kWidth + 1);
    std::vector<double> hi(kWidth + 1);
    size_t i = size_t(std::lower_bound(x.begin(), x.end(), minX) - x.begin());
    for (int c = 0; c <= kWidth && i < x.size(); ++c) {
        const double boundary = minX + (c + 0.5) / factor;
        const size_t end = size_t(std::upper_bound(x.begin() + long(i), x.end(), boundary) - x.begin());
        double mn = HUGE_VAL;
        double mx = -HUGE_VAL;
        for (; i < end; ++i) {
            mn = std::min(mn, y[i]);
            mx = std::max(mx, y[i]);
        }
        lo[c] = mn;
        hi[c] = mx;
    }
    return lo[kWidth / 2] + hi[kWidth / 2];
}

void benchFloor()
{
    std::printf("\nFloor: min/max per pixel column of 1 000 000 sorted points\n");
    Walk walk(7);
    std::vector<double> x;
    std::vector<double> y;
    for (int i = 0; i < 1000000; ++i) {
        x.push_back(walk.x);
        y.push_back(walk.y);
        walk.next();
    }
    Samples times;
    volatile double sink = 0;
    for (int rep = 0; rep < 31; ++rep) {
        const Stopwatch t;
        sink = sink + floorLoop(x, y, x.front(), x.back());
        t.addTo(times);
    }
    reportTimes("floor loop, 1 000 000 points, 1600 columns", "ms", 1.0, times, Samples(), Median, "-");
}

// ---------------------------------------------------------------------------
// --no-peer: only our figures, for profiling our drawing alone.
bool withPeer = true;

// Full redraw: a paint after a view change.  The view alternates between two
// ranges that differ by a hundredth of a point so that every paint redraws.

void benchFullRedraw(int n, double fraction, int repetitions, char const* target)
{
    OurPlot ours;
    Walk walkA(42);
    ours.addSeries(walkA, n);
    ours.show();
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    PeerPlot peer;
    Walk walkB(42);
    if (withPeer) {
        peer.addSeries(walkB, n);
        peer.show();
    }
#endif
    const double lastX = n - 1;
    const double fromX = lastX - fraction * lastX;
    // Each paint follows a change of the view, which alternates between two
    // ranges a hundredth of a point apart.
    int oursPaints = 0;
    auto oursPaint = [&](Samples& into) {
        const double shift = (oursPaints++ & 1) ? 0.01 : 0.0;
        ours.setView(fromX + shift, lastX + shift);
        if (!ours.canvas->isFullRedrawNeeded())
            std::printf("warning: the view did not change, no full redraw\n");
        const Stopwatch t;
        ours.canvas->repaint();
        t.addTo(into);
    };
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    int peerPaints = 0;
    auto peerPaint = [&](Samples& into) {
        const double shift = (peerPaints++ & 1) ? 0.01 : 0.0;
        peer.setView(fromX + shift, lastX + shift);
        const Stopwatch t;
        peer.replot();
        t.addTo(into);
    };
#endif
    // Back to back: each library repaints repeatedly, as after a series of
    // view changes.  Two warm-up paints each; the first one of ours builds the
    // per-block extremes when the view is dense.
    Samples oursFirst;
    Samples oursTimes;
    Samples peerTimes;
    Samples scratch;
    oursPaint(oursFirst);
    oursPaint(scratch);
    for (int rep = 0; rep < repetitions; ++rep)
        oursPaint(oursTimes);
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    for (int rep = 0; withPeer && rep < repetitions + 2; ++rep)
        peerPaint(rep < 2 ? scratch : peerTimes);
#endif
    // Alternating: each paint follows one of the other library, whose data
    // pushed this one's out of the processor caches.
    Samples oursCold;
    Samples peerCold;
    for (int rep = 0; rep < repetitions; ++rep) {
        oursPaint(oursCold);
#ifdef ZEBPLOT_BENCH_HAVE_PEER
        if (withPeer)
            peerPaint(peerCold);
#endif
    }
    char name[160];
    const char* view = fraction >= 1.0 ? "all" : "last 1 %";
    std::snprintf(name, sizeof name, "full redraw, %d points, %s in view", n, view);
    reportTimes(name, "ms", 1.0, oursTimes, peerTimes, Median, target);
    std::snprintf(name, sizeof name, "full redraw, %d points, %s in view, alternating (cold caches)", n, view);
    reportTimes(name, "ms", 1.0, oursCold, peerCold, Median, "-");
    std::printf("    first paint of ours (the per-block extremes are built here when used): %.2f ms CPU, %.2f ms "
                "wall\n",
                oursFirst.cpu.front(), oursFirst.wall.front());
    std::fflush(stdout);
}

// The same full redraw stepping through every point (a draw listener is
// attached): the path taken for filtered, listened-to or tracked data sets.

void benchPerPointRedraw(int n, int repetitions)
{
    OurPlot ours;
    Walk walk(42);
    XYDataSet* dataSet = ours.addSeries(walk, n);
    dataSet->setDrawListener(new SilentListener(dataSet));
    ours.show();
    Samples times;
    for (int rep = -1; rep < repetitions; ++rep) {
        const double shift = (rep & 1) ? 0.01 : 0.0;
        ours.setView(shift, n - 1 + shift);
        Samples scratch;
        const Stopwatch t;
        ours.canvas->repaint();
        t.addTo(rep >= 0 ? times : scratch);
    }
    char name[128];
    std::snprintf(name, sizeof name, "full redraw, %d points, all in view, point by point (listener)", n);
    reportTimes(name, "ms", 1.0, times, Samples(), Median, "-");
}

// Counts the paint events of the object it filters.
struct PaintCounter : QObject
{
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// ---------------------------------------------------------------------------
// Streaming: 8 series, then frames that append one point to every series,
// move the view by the policy, draw the new points and paint.

void benchStreaming(int n, double fraction, int frames)
{
    constexpr int kSeries = 8;
    OurPlot ours;
    std::vector<Walk> oursWalks;
    for (int s = 0; s < kSeries; ++s)
        oursWalks.emplace_back(100 + s);
    for (int s = 0; s < kSeries; ++s)
        ours.addSeries(oursWalks[s], n);
    ours.canvas->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    ours.canvas->updateBounds();
    // One unmeasured frame first: the first point beyond the data makes the
    // data bounds jump ahead by their buffer (10 % of the extent), which the
    // following view would follow by widening.  After it the data bounds stay
    // for the next 10 % of growth.
    for (int s = 0; s < kSeries; ++s) {
        ours.dataSets[s]->append(oursWalks[s].x, oursWalks[s].y);
        oursWalks[s].next();
    }
    ours.canvas->updateBounds();
    if (fraction < 1.0) {
        // The newest 1 % of the data, the newest point a tenth of the view
        // inside the right edge, as the following view keeps it.
        const Bounds view = ours.canvas->getViewBounds();
        const double width = fraction * n;
        const double newest = oursWalks[0].x - 1.0;
        ours.canvas->setViewBounds(Bounds(newest - 0.9 * width, newest + 0.1 * width, view.minY, view.maxY), true);
    }
    ours.show();
    ours.canvas->repaint();

#ifdef ZEBPLOT_BENCH_HAVE_PEER
    PeerPlot peer;
    std::vector<Walk> peerWalks;
    for (int s = 0; s < kSeries; ++s)
        peerWalks.emplace_back(100 + s);
    double minY = HUGE_VAL;
    double maxY = -HUGE_VAL;
    for (int s = 0; s < kSeries; ++s) {
        QCPGraph* graph = peer.addSeries(peerWalks[s], n + 1);
        bool found = false;
        const QCPRange r = graph->data()->valueRange(found);
        minY = std::min(minY, r.lower);
        maxY = std::max(maxY, r.upper);
    }
    peer.show();
#endif

    Samples oursTimes;
    Samples peerTimes;
    // Where our frames without a view change spend their time.
    Samples appendTimes;
    Samples boundsTimes;
    Samples newPointsTimes;
    Samples paintTimes;
    int fullRedraws = 0;
    // Frames that painted: every frame must, or the bench measures nothing.
    PaintCounter paints;
    ours.canvas->installEventFilter(&paints);
    int paintedFrames = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const Stopwatch frameWatch;
        Samples stages;
        Stopwatch stage;
        for (int s = 0; s < kSeries; ++s) {
            ours.dataSets[s]->append(oursWalks[s].x, oursWalks[s].y);
            oursWalks[s].next();
        }
        stage.addTo(stages);
        stage = Stopwatch();
        ours.canvas->updateBounds();
        const bool viewMoved = ours.canvas->isFullRedrawNeeded();
        stage.addTo(stages);
        stage = Stopwatch();
        ours.canvas->drawNewPointsOnBackGround();
        stage.addTo(stages);
        stage = Stopwatch();
        // What the event loop does next: the update request the canvas
        // posted is processed, painting its pending region (only the area of
        // the new points, or the whole canvas after a view change) and
        // flushing it to the window.
        const int paintsBefore = paints.count;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        stage.addTo(stages);
        frameWatch.addTo(oursTimes);
        paintedFrames += paints.count > paintsBefore ? 1 : 0;
        fullRedraws += viewMoved ? 1 : 0;
        if (!viewMoved) {
            appendTimes.cpu.push_back(stages.cpu[0]);
            boundsTimes.cpu.push_back(stages.cpu[1]);
            newPointsTimes.cpu.push_back(stages.cpu[2]);
            paintTimes.cpu.push_back(stages.cpu[3]);
        }
    }
    // The peer's frames run after ours, so that each library streams in its
    // own steady state.
    for (int frame = 0; frame < frames; ++frame) {
#ifdef ZEBPLOT_BENCH_HAVE_PEER
        const Stopwatch t;
        for (int s = 0; s < kSeries; ++s) {
            peer.plot->graph(s)->addData(peerWalks[s].x, peerWalks[s].y);
            minY = std::min(minY, peerWalks[s].y);
            maxY = std::max(maxY, peerWalks[s].y);
            peerWalks[s].next();
        }
        const double lastX = peerWalks[0].x - 1.0;
        const double margin = 0.05 * (maxY - minY);
        peer.plot->xAxis->setRange(fraction >= 1.0 ? 0.0 : lastX - fraction * lastX, lastX);
        peer.plot->yAxis->setRange(minY - margin, maxY + margin);
        peer.replot();
        t.addTo(peerTimes);
#endif
    }
    Samples forced;
    for (int rep = 0; rep < 5; ++rep) {
        ours.canvas->fullRepaint();
        const Stopwatch t;
        ours.canvas->repaint();
        t.addTo(forced);
    }
    char name[160];
    const char* view = fraction >= 1.0 ? "all data" : "last 1 %";
    std::snprintf(name, sizeof name, "streaming frame, 8 x %d points, %s in view, median", n, view);
    reportTimes(name, "ms", 1.0, oursTimes, peerTimes, Median, "< 0.5 ms");
    std::snprintf(name, sizeof name, "streaming frame, 8 x %d points, %s in view, mean", n, view);
    reportTimes(name, "ms", 1.0, oursTimes, peerTimes, Mean, "< 2 ms");
    std::printf("    ours: %d full redraws in %d frames; CPU 99th percentile %.3f ms, max %.3f ms; a full redraw of "
                "the 8 series: %.2f ms CPU\n",
                fullRedraws, frames, percentile(oursTimes.cpu, 99), percentile(oursTimes.cpu, 100),
                median(forced.cpu));
    std::printf("    ours: %d of %d frames painted; paint = the posted update request processed\n", paintedFrames,
                frames);
    std::printf("    ours, frames without view change, CPU medians: append %.4f ms, updateBounds %.4f ms, "
                "drawNewPointsOnBackGround %.4f ms, paint %.4f ms\n",
                median(appendTimes.cpu), median(boundsTimes.cpu), median(newPointsTimes.cpu),
                median(paintTimes.cpu));
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------
// Hit test: 8 tracked series, the mouse near points of the curves.

void benchHitTest(int n, int probes)
{
    constexpr int kSeries = 8;
    OurPlot ours;
    ours.canvas->setDefaultMouseOverDataTrackingEnabled(true);
    for (int s = 0; s < kSeries; ++s) {
        Walk walk(200 + s);
        ours.addSeries(walk, n);
    }
    ours.show();
    ours.setView(0, n - 1);
    Samples drawTimes;
    {
        const Stopwatch t;
        ours.canvas->repaint();
        t.addTo(drawTimes);
    }
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    PeerPlot peer;
    for (int s = 0; s < kSeries; ++s) {
        Walk walk(200 + s);
        peer.addSeries(walk, n);
    }
    peer.show();
    peer.setView(0, n - 1);
    peer.replot();
#endif
    std::mt19937 random(5);
    QList<QPoint> positions;
    for (int probe = 0; probe < probes; ++probe) {
        XYDataSet* dataSet = ours.dataSets[int(random() % kSeries)];
        const int index = int(random() % unsigned(n));
        bool ok = false;
        QPoint p = ours.canvas->convertDataPointToViewport(dataSet, index, ok, false);
        p += QPoint(int(random() % 7) - 3, int(random() % 7) - 3);
        p.setX(std::clamp(p.x(), 0, kWidth - 1));
        p.setY(std::clamp(p.y(), 0, kHeight - 1));
        positions.append(p);
    }
    int oursHits = 0;
    int peerHits = 0;
    auto oursTest = [&](QPoint p, Samples& into) {
        XYCanvas::datahit_t hit;
        const Stopwatch t;
        oursHits += ours.canvas->dataHitTest(p.x(), p.y(), hit, 10) ? 1 : 0;
        t.addTo(into);
    };
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    auto peerTest = [&](QPoint p, Samples& into) {
        const Stopwatch t;
        peerHits += peer.plot->plottableAt(QPointF(p), false) ? 1 : 0;
        t.addTo(into);
    };
#endif
    // Back to back (the mouse moving over the plot), then alternating.
    Samples oursTimes;
    Samples peerTimes;
    for (QPoint p : positions)
        oursTest(p, oursTimes);
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    for (QPoint p : positions)
        peerTest(p, peerTimes);
#endif
    Samples oursCold;
    Samples peerCold;
    for (QPoint p : positions) {
        oursTest(p, oursCold);
#ifdef ZEBPLOT_BENCH_HAVE_PEER
        peerTest(p, peerCold);
#endif
    }
    char name[128];
    std::snprintf(name, sizeof name, "hit test, 8 tracked series x %d points", n);
    reportTimes(name, "us", 1000.0, oursTimes, peerTimes, Median, "< 50 us");
    std::snprintf(name, sizeof name, "hit test, 8 tracked series x %d points, alternating (cold caches)", n);
    reportTimes(name, "us", 1000.0, oursCold, peerCold, Median, "< 50 us");
    std::printf("    ours: %d of %d probes hit, 90th percentile %.1f us (back to back), full redraw with tracking "
                "%.1f ms CPU; peer: %d of %d hits\n",
                oursHits, 2 * probes, 1000.0 * percentile(oursTimes.cpu, 90), drawTimes.cpu.front(), peerHits,
                2 * probes);
}

// ---------------------------------------------------------------------------
// Memory per stored point: resident memory added by one series of n points
// after squeeze(), plus the canvas's per-block extremes of its y values (the
// only drawing cache that grows with the data), measured on a cache built the
// way the canvas builds it.

void benchMemory(int n)
{
    double oursBytes = 0;
    double oursAccounted = 0;
    double cacheBytes = 0;
    {
        OurPlot ours;
        Walk walk(9);
        settle();
        const long before = residentBytes();
        const int accountedBefore = DataArray::getTotalVectorMemoryConsumption();
        XYDataSet* dataSet = ours.addSeries(walk, n, true);
        const long after = residentBytes();
        oursAccounted = double(DataArray::getTotalVectorMemoryConsumption() - accountedBefore) / n;
        oursBytes = double(after - before) / n;
        BlockMinMaxCache cache(dataSet->yData);
        cache.update();
        cacheBytes = double(cache.getMemoryConsumption()) / n;
    }
    double peerBytes = std::nan("");
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    {
        PeerPlot peer;
        Walk walk(9);
        QCPGraph* graph = peer.plot->addGraph();
        settle();
        const long before = residentBytes();
        // Appended in chunks so that no input copy of the whole series is held.
        QVector<double> keys;
        QVector<double> values;
        for (int i = 0; i < n; i += 100000) {
            keys.clear();
            values.clear();
            for (int k = i; k < std::min(n, i + 100000); ++k) {
                keys.append(walk.x);
                values.append(walk.y);
                walk.next();
            }
            graph->addData(keys, values, true);
        }
        keys = QVector<double>();
        values = QVector<double>();
        graph->data()->squeeze();
        const long after = residentBytes();
        peerBytes = double(after - before) / n;
    }
#endif
    const double nan = std::nan("");
    char name[128];
    std::snprintf(name, sizeof name, "memory per stored point, %d points: data (resident)", n);
    report(name, "bytes", oursBytes, peerBytes, nan, nan, "-");
    std::snprintf(name, sizeof name, "memory per stored point, %d points: data + drawing cache", n);
    report(name, "bytes", oursBytes + cacheBytes, peerBytes, nan, nan, "<= 16.2 bytes");
    std::printf("    ours: arrays' own account %.4f bytes, per-block extremes %.4f bytes per point\n", oursAccounted,
                cacheBytes);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Runs unattended: no message box may wait for an answer.
    zebplotUserInteractionDisabled = true;
    // --quick: fewer repetitions and frames; --no-peer: full redraws of ours
    // alone; --only=WORD: only the workloads
    // whose key is WORD (keys: memory, floor, full1M, full1Mlast, full1Mpoint,
    // full10M, full10Mlast, stream100k, stream100klast, stream1M,
    // stream1Mlast, hit; and only when named: full100M, memory100M, the
    // scale of one series of 100 million points).
    bool quick = false;
    QString only;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--quick"))
            quick = true;
        else if (arg == QLatin1String("--no-peer"))
            withPeer = false;
        else if (arg.startsWith(QLatin1String("--only=")))
            only = arg.mid(7);
    }
    const int frames = quick ? 200 : 2000;
    auto wanted = [&](char const* key) { return only.isEmpty() || QString::fromLatin1(key) == only; };

    std::printf("Canvas drawing bench, %d x %d offscreen, pen width 1, device pixel ratio %g\n", kWidth, kHeight,
                qApp->devicePixelRatio());
    auto named = [&](char const* key) { return QString::fromLatin1(key) == only; };
#ifdef ZEBPLOT_BENCH_HAVE_PEER
    {
        QCustomPlot probe;
        QCPGraph* graph = probe.addGraph();
        std::printf("peer: QCustomPlot %s, graph antialiased by default: %s, adaptive sampling: %s\n",
                    QCUSTOMPLOT_VERSION_STR, graph->antialiased() ? "yes" : "no",
                    graph->adaptiveSampling() ? "yes" : "no");
    }
#else
    std::printf("peer: not found at build time, only our figures are measured\n");
#endif

    if (wanted("memory"))
        benchMemory(10000000);
    if (wanted("floor"))
        benchFloor();
    std::printf("\nFull redraw (paint after a view change), median\n");
    if (wanted("full1M"))
        benchFullRedraw(1000000, 1.0, quick ? 9 : 31, "2x peer");
    if (wanted("full1Mlast"))
        benchFullRedraw(1000000, 0.01, quick ? 9 : 31, "-");
    if (wanted("full1Mpoint"))
        benchPerPointRedraw(1000000, quick ? 5 : 15);
    if (wanted("full10M"))
        benchFullRedraw(10000000, 1.0, quick ? 5 : 15, "2x peer");
    if (wanted("full10Mlast"))
        benchFullRedraw(10000000, 0.01, quick ? 5 : 15, "-");
    if (named("full100M"))
        benchFullRedraw(100000000, 1.0, 5, "3 ms, first paint 300 ms");
    if (named("memory100M"))
        benchMemory(100000000);
    std::printf("\nStreaming, %d frames\n", frames);
    if (wanted("stream100k"))
        benchStreaming(100000, 1.0, frames);
    if (wanted("stream100klast"))
        benchStreaming(100000, 0.01, frames);
    if (wanted("stream1M"))
        benchStreaming(1000000, 1.0, frames);
    if (wanted("stream1Mlast"))
        benchStreaming(1000000, 0.01, frames);
    std::printf("\nHit test\n");
    if (wanted("hit"))
        benchHitTest(1000000, quick ? 50 : 400);

    printTable();
    return 0;
}
