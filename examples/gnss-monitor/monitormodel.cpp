#include "monitormodel.h"

#include <zebplot/zebplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Distinct, print-friendly curve colours; satellites take them in order of appearance.
const QColor kPalette[] = {
    QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),   QColor(148, 103, 189),
    QColor(255, 127, 14), QColor(23, 190, 207), QColor(140, 86, 75),   QColor(227, 119, 194),
    QColor(127, 127, 127), QColor(188, 189, 34), QColor(0, 0, 128),    QColor(128, 0, 0),
    QColor(0, 110, 90),   QColor(200, 140, 0),  QColor(90, 60, 200),   QColor(0, 0, 0),
    QColor(230, 80, 130), QColor(90, 150, 210), QColor(110, 140, 20),  QColor(170, 90, 20)};
constexpr int kPaletteSize = int(sizeof(kPalette) / sizeof(kPalette[0]));

quint32 satelliteKey(SignalObservation const& o)
{
    return quint32(o.system) << 16 | quint32(o.number);
}

} // namespace

MonitorModel::MonitorModel(int maxPoints, bool decimate)
    : maxPoints(maxPoints)
    , decimate(decimate)
{
    for (SeriesGroup& group : groups) {
        group.time = new DataArrayTemplate<double>();
        // The model keeps its own reference, so the array outlives data sets
        // that come and go.
        group.time->addReference();
    }
    // These plots always have their series, even before (or without) data.
    create(FixGroup, QStringLiteral("fixmode"));
    create(FixGroup, QStringLiteral("poserr"), QString(), QColor(90, 40, 150));
    create(SatelliteGroup, QStringLiteral("Satellites used"), QString(), QColor(0, 90, 160));
    create(DopGroup, QStringLiteral("PDOP"), QString(), QColor(40, 40, 40));
    create(DopGroup, QStringLiteral("HDOP"), QString(), QColor(31, 119, 180));
    create(DopGroup, QStringLiteral("VDOP"), QString(), QColor(214, 39, 40));
}

MonitorModel::~MonitorModel()
{
    for (SeriesGroup& group : groups) {
        for (Series& series : group.series)
            delete series.dataSet;
        group.time->removeReference();
    }
    for (Scatter const& s : std::as_const(scatters))
        delete s.dataSet;
}

QStringList MonitorModel::fixModeNames()
{
    return {QStringLiteral("No fix"),    QStringLiteral("Autonomous"), QStringLiteral("DGNSS"),
            QStringLiteral("RTK float"), QStringLiteral("RTK fixed"),  QStringLiteral("Dead reckoning")};
}

QColor MonitorModel::fixModeColor(int mode)
{
    static const QColor colors[] = {QColor(200, 30, 30),  QColor(245, 150, 0), QColor(225, 205, 0),
                                    QColor(60, 130, 230), QColor(30, 160, 60), QColor(110, 110, 110)};
    return mode >= 0 && mode <= DeadReckoning ? colors[mode] : QColor(Qt::gray);
}

QColor MonitorModel::systemColor(GnssSystem system)
{
    static const QColor colors[] = {QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),
                                    QColor(255, 127, 14), QColor(148, 103, 189), QColor(140, 86, 75),
                                    QColor(127, 127, 127), QColor(0, 0, 0)};
    return colors[int(system)];
}

MonitorModel::Series* MonitorModel::create(Group group, QString const& name, QString const& band, QColor color)
{
    SeriesGroup& g = groups[group];
    Series series;
    series.name = name;
    series.band = band;
    DataArray* y = nullptr;
    if (group == SatelliteGroup)
        y = new CompressedDataArrayTemplate<int>();
    else
        y = new DataArrayTemplate<double>();
    // A late series starts with a gap as long as the data already shown.
    const int existing = g.time->dataSize();
    for (int i = 0; i < existing; ++i)
        y->append(group == SatelliteGroup ? 0.0 : kNaN);

    if (group == FixGroup && name == QLatin1String("fixmode")) {
        auto* bar = new XYDataSet(g.time, y, QStringLiteral("Fix mode"), Qt::darkGreen, SYMBOL_NONE,
                                  Qt::SolidLine, 10);
        auto* look = new ValueBasedLook(bar, Qt::darkGreen, SYMBOL_NONE, Qt::SolidLine, 10);
        look->setColorBar(-10);
        const QStringList names = fixModeNames();
        for (int mode = 0; mode < names.size(); ++mode)
            look->addTableEntry(mode, fixModeColor(mode), names[mode]);
        // Every mode appears in the legend, so that one can be unticked
        // before it ever occurs.
        look->setMustIncludeAllEntriesInLegend(true);
        series.dataSet = bar;
        series.holdLast = true;
        series.last = NoFix;
    } else if (group == FixGroup) {
        series.dataSet = new XYDataSet(g.time, y, QStringLiteral("Position error"), color, SYMBOL_NONE, Qt::SolidLine, 2);
    } else {
        series.dataSet = new XYDataSet(g.time, y, name, color, SYMBOL_NONE, Qt::SolidLine, group == Cn0Group ? 1 : 2);
    }
    g.series.append(series);
    return &g.series.last();
}

quint64 MonitorModel::cn0Key(SignalObservation const& o)
{
    auto signal = signalIds.constFind(o.signal);
    if (signal == signalIds.constEnd())
        signal = signalIds.insert(o.signal, int(signalIds.size()));
    return quint64(satelliteKey(o)) << 16 | quint64(*signal);
}

bool MonitorModel::hasCn0Series(SignalObservation const& o)
{
    return cn0Index.contains(cn0Key(o));
}

MonitorModel::Series* MonitorModel::cn0Series(SignalObservation const& o)
{
    const quint64 key = cn0Key(o);
    const auto known = cn0Index.constFind(key);
    if (known != cn0Index.constEnd())
        return &groups[Cn0Group].series[*known];

    // A satellite has one colour on every band.
    auto color = satelliteColors.constFind(satelliteKey(o));
    if (color == satelliteColors.constEnd())
        color = satelliteColors.insert(satelliteKey(o), int(satelliteColors.size()) % kPaletteSize);
    if (!seenBands.contains(o.band)) {
        seenBands.append(o.band);
        const QStringList order = GnssNaming::bands();
        std::sort(seenBands.begin(), seenBands.end(),
                  [&](QString const& a, QString const& b) { return order.indexOf(a) < order.indexOf(b); });
    }
    Series* series = create(Cn0Group, o.satellite + QLatin1Char(' ') + o.signal, o.band, kPalette[*color]);
    cn0Index.insert(key, int(groups[Cn0Group].series.size()) - 1);
    if (cn0DataSetAdded)
        cn0DataSetAdded(series->dataSet, o.band);
    return series;
}

XYDataSet* MonitorModel::scatter(SignalObservation const& o)
{
    for (Scatter const& s : std::as_const(scatters)) {
        if (s.system == o.system && s.band == o.band)
            return s.dataSet;
    }
    auto* dataSet = new XYDataSet(new DataArrayTemplate<double>(), new DataArrayTemplate<double>(),
                                  GnssNaming::systemName(o.system), systemColor(o.system), SYMBOL_CIRCLE, Qt::NoPen, 2);
    // Listed by system, like the satellites.
    auto at = std::find_if(scatters.begin(), scatters.end(), [&](Scatter const& s) { return s.system > o.system; });
    scatters.insert(at, Scatter{o.band, o.system, dataSet});
    if (elevationDataSetAdded)
        elevationDataSetAdded(dataSet, o.band);
    return dataSet;
}

void MonitorModel::set(Series* series, double value)
{
    series->pending = value;
    series->hasPending = true;
}

void MonitorModel::add(ReceiverEpoch const& epoch)
{
    if (std::isnan(epoch.timeMs)) {
        ++untimed;
        return;
    }
    // An epoch that lists satellites is a C/N0 epoch even when none is
    // tracked: the curves get their gaps.
    bool touched[GroupCount] = {!epoch.observations.isEmpty(), false, false, false};
    for (SignalObservation const& o : epoch.observations) {
        // A signal gets its curve once it is tracked: satellites that are
        // only in view would crowd the legend with empty entries.
        if (o.signal.isEmpty() || (std::isnan(o.cn0) && !hasCn0Series(o)))
            continue;
        set(cn0Series(o), o.cn0);
        if (std::isnan(o.cn0) || std::isnan(o.elevation))
            continue;
        XYDataSet* points = scatter(o);
        if (!decimate || points->xData->needsToAddValueAccordingDecimation()) {
            points->append(o.elevation, o.cn0);
            boundScatter(points);
        }
    }
    if (epoch.fixMode >= 0) {
        set(&groups[FixGroup].series[0], epoch.fixMode);
        touched[FixGroup] = true;
    }
    const double error = epoch.horizontalError();
    if (!std::isnan(error)) {
        set(&groups[FixGroup].series[1], error);
        touched[FixGroup] = true;
    }
    if (epoch.satellitesUsed >= 0) {
        set(&groups[SatelliteGroup].series[0], epoch.satellitesUsed);
        touched[SatelliteGroup] = true;
    }
    const double dops[] = {epoch.pdop, epoch.hdop, epoch.vdop};
    for (int i = 0; i < 3; ++i) {
        if (!std::isnan(dops[i])) {
            set(&groups[DopGroup].series[i], dops[i]);
            touched[DopGroup] = true;
        }
    }
    for (int group = 0; group < GroupCount; ++group) {
        if (touched[group])
            commit(Group(group), epoch.timeMs);
    }
    ++epochs;
}

void MonitorModel::commit(Group group, double timeMs)
{
    SeriesGroup& g = groups[group];
    // Once decimated, only every n-th epoch is stored; the rest only update
    // the held values.
    const bool store = !decimate || g.time->needsToAddValueAccordingDecimation();
    if (store)
        g.time->append(timeMs);
    for (Series& series : g.series) {
        double v = series.hasPending ? series.pending : (series.holdLast ? series.last : kNaN);
        if (group == SatelliteGroup && std::isnan(v))
            v = 0.0;
        if (series.holdLast)
            series.last = v;
        series.hasPending = false;
        if (store)
            series.dataSet->yData->append(v);
    }
    if (store)
        bound(group);
}

void MonitorModel::bound(Group group)
{
    SeriesGroup& g = groups[group];
    if (maxPoints <= 0 || g.time->dataSize() <= maxPoints)
        return;
    if (decimate) {
        g.time->decimateKeepEven();
        for (Series& series : g.series) {
            series.dataSet->yData->decimateKeepEven();
            series.dataSet->getLook()->decimateKeepEven();
        }
        return;
    }
    // Dropping a tenth at a time keeps the shifting cost low; the looks
    // follow the time array by themselves.
    const int count = g.time->dataSize() - std::max(1, maxPoints - maxPoints / 10);
    g.time->leftshift(count);
    for (Series& series : g.series)
        series.dataSet->yData->leftshift(count);
}

void MonitorModel::boundScatter(XYDataSet* dataSet)
{
    const int limit = maxPoints * kElevationPointsPerLimit;
    if (maxPoints <= 0 || dataSet->xData->dataSize() <= limit)
        return;
    if (decimate) {
        dataSet->xData->decimateKeepEven();
        dataSet->yData->decimateKeepEven();
        dataSet->getLook()->decimateKeepEven();
        return;
    }
    const int count = dataSet->xData->dataSize() - std::max(1, limit - limit / 10);
    dataSet->xData->leftshift(count);
    dataSet->yData->leftshift(count);
}

QStringList MonitorModel::bands() const
{
    return seenBands;
}

QList<XYDataSet*> MonitorModel::cn0DataSets(QString const& band) const
{
    QList<XYDataSet*> result;
    for (Series const& series : groups[Cn0Group].series) {
        if (band.isEmpty() || series.band == band)
            result.append(series.dataSet);
    }
    return result;
}

QList<XYDataSet*> MonitorModel::elevationDataSets(QString const& band) const
{
    QList<XYDataSet*> result;
    for (Scatter const& s : scatters) {
        if (s.band == band)
            result.append(s.dataSet);
    }
    return result;
}

XYDataSet* MonitorModel::fixModeBar() const
{
    return groups[FixGroup].series[0].dataSet;
}

XYDataSet* MonitorModel::positionError() const
{
    return groups[FixGroup].series[1].dataSet;
}

XYDataSet* MonitorModel::satelliteCount() const
{
    return groups[SatelliteGroup].series[0].dataSet;
}

QList<XYDataSet*> MonitorModel::dopDataSets() const
{
    QList<XYDataSet*> result;
    for (Series const& series : groups[DopGroup].series)
        result.append(series.dataSet);
    return result;
}

DataArray* MonitorModel::timeArray(Group group) const
{
    return groups[group].time;
}

int MonitorModel::pointCount(Group group) const
{
    return groups[group].time->dataSize();
}

int MonitorModel::epochCount() const
{
    return epochs;
}
