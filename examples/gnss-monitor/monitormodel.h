#ifndef GNSSMONITOR_MONITORMODEL_H
#define GNSSMONITOR_MONITORMODEL_H

#include "epoch.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DataArray;
class XYDataSet;

/// The data sets behind the monitor's time plots, fed epoch by epoch.
///
/// Series are routed by name:
///   "cn0:<sat>"  C/N0 of one satellite (curve "<sat>" in the C/N0 plot);
///   "fixmode"    fix mode 0..4 (colour bar of the position plot);
///   "poserr"     position error in metres (curve of the position plot);
///   "nsat"       number of satellites used (satellite plot);
///   anything else goes into the C/N0 plot under its full name.
///
/// Each plot's series share one reference-counted time array.  An epoch that
/// carries no value for a series leaves a gap (NaN) in it, except the fix
/// mode, which holds its last value.  With a point limit, a group that grows
/// beyond it either drops its oldest tenth (left shift) or halves its density
/// (decimation), so memory stays bounded however long the monitor runs.
class MonitorModel
{
public:
    enum Group { Cn0Group, FixGroup, SatelliteGroup, GroupCount };

    explicit MonitorModel(int maxPoints = 0, bool decimate = false);
    ~MonitorModel();
    MonitorModel(MonitorModel const&) = delete;
    MonitorModel& operator=(MonitorModel const&) = delete;

    void add(Epoch const& epoch);

    /// Called with every C/N0 data set when it appears.
    std::function<void(XYDataSet*)> cn0DataSetAdded;

    QList<XYDataSet*> cn0DataSets() const;
    XYDataSet* fixModeBar() const;
    XYDataSet* positionError() const;
    XYDataSet* satelliteCount() const;
    DataArray* timeArray(Group group) const;
    int pointCount(Group group) const;
    int epochCount() const;

    static QStringList fixModeNames();
    static QColor fixModeColor(int mode);

private:
    struct Series
    {
        QString name;
        XYDataSet* dataSet = nullptr;
        bool holdLast = false;
        double last = 0.0;
        double pending = 0.0;
        bool hasPending = false;
    };
    struct SeriesGroup
    {
        DataArray* time = nullptr;
        QList<Series> series;
    };

    Series* findOrCreate(Group group, QString const& name);
    void commit(Group group, double timeMs);
    void bound(Group group);

    SeriesGroup groups[GroupCount];
    int maxPoints;
    bool decimate;
    int epochs = 0;
};

#endif
