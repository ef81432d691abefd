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
    // The position and satellite plots always have their series, even before
    // (or without) data for them.
    findOrCreate(FixGroup, QStringLiteral("fixmode"));
    findOrCreate(FixGroup, QStringLiteral("poserr"));
    findOrCreate(SatelliteGroup, QStringLiteral("nsat"));
}

MonitorModel::~MonitorModel()
{
    for (SeriesGroup& group : groups) {
        for (Series& series : group.series)
            delete series.dataSet;
        group.time->removeReference();
    }
}

QStringList MonitorModel::fixModeNames()
{
    return {QStringLiteral("No fix"), QStringLiteral("Autonomous"), QStringLiteral("DGNSS"),
            QStringLiteral("RTK float"), QStringLiteral("RTK fixed")};
}

QColor MonitorModel::fixModeColor(int mode)
{
    static const QColor colors[] = {QColor(200, 30, 30), QColor(245, 150, 0), QColor(225, 205, 0),
                                    QColor(60, 130, 230), QColor(30, 160, 60)};
    return mode >= 0 && mode < 5 ? colors[mode] : QColor(Qt::gray);
}

MonitorModel::Series* MonitorModel::findOrCreate(Group group, QString const& name)
{
    SeriesGroup& g = groups[group];
    for (Series& series : g.series) {
        if (series.name == name)
            return &series;
    }
    Series series;
    series.name = name;
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
        series.dataSet = new XYDataSet(g.time, y, QStringLiteral("Position error"), QColor(90, 40, 150), SYMBOL_NONE,
                                       Qt::SolidLine, 2);
    } else if (group == SatelliteGroup) {
        series.dataSet = new XYDataSet(g.time, y, QStringLiteral("Satellites used"), QColor(0, 90, 160),
                                       SYMBOL_NONE, Qt::SolidLine, 2);
    } else {
        const QString label = name.startsWith(QLatin1String("cn0:")) ? name.mid(4) : name;
        const int n = g.series.size();
        const QColor color = kPalette[n % int(sizeof(kPalette) / sizeof(kPalette[0]))];
        series.dataSet = new XYDataSet(g.time, y, label, color, SYMBOL_NONE, Qt::SolidLine, 1);
    }
    g.series.append(series);
    if (group == Cn0Group && cn0DataSetAdded)
        cn0DataSetAdded(g.series.last().dataSet);
    return &g.series.last();
}

void MonitorModel::add(Epoch const& epoch)
{
    bool touched[GroupCount] = {false, false, false};
    for (auto const& value : epoch.values) {
        Group group = Cn0Group;
        if (value.first == QLatin1String("fixmode") || value.first == QLatin1String("poserr"))
            group = FixGroup;
        else if (value.first == QLatin1String("nsat"))
            group = SatelliteGroup;
        Series* series = findOrCreate(Group(group), value.first);
        double v = value.second;
        if (group == FixGroup && series->holdLast)
            v = std::isnan(v) ? series->last : std::round(v);
        else if (group == SatelliteGroup)
            v = std::isnan(v) ? 0.0 : std::round(v);
        series->pending = v;
        series->hasPending = true;
        touched[group] = true;
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

QList<XYDataSet*> MonitorModel::cn0DataSets() const
{
    QList<XYDataSet*> result;
    for (Series const& series : groups[Cn0Group].series)
        result.append(series.dataSet);
    return result;
}

XYDataSet* MonitorModel::fixModeBar() const
{
    for (Series const& series : groups[FixGroup].series) {
        if (series.holdLast)
            return series.dataSet;
    }
    return nullptr;
}

XYDataSet* MonitorModel::positionError() const
{
    for (Series const& series : groups[FixGroup].series) {
        if (!series.holdLast)
            return series.dataSet;
    }
    return nullptr;
}

XYDataSet* MonitorModel::satelliteCount() const
{
    return groups[SatelliteGroup].series.isEmpty() ? nullptr : groups[SatelliteGroup].series.first().dataSet;
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
