#ifndef GNSSMONITOR_MONITORMODEL_H
#define GNSSMONITOR_MONITORMODEL_H

#include "receiverepoch.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DataArray;
class XYDataSet;

/// The data sets behind the monitor's plots, fed epoch by epoch.
///
///   C/N0: one curve per satellite and signal ("G05 L2"), each in the band
///         of its signal, so that a band can be looked at on its own; a
///         satellite keeps its colour on every band;
///   fix mode 0..5 (colour bar) and the horizontal position error;
///   satellites used;
///   PDOP, HDOP and VDOP;
///   C/N0 against elevation: one symbol series per band and system.
///
/// The time plots' series share one reference-counted time array per plot.
/// An epoch that carries no value for a series leaves a gap (NaN) in it,
/// except the fix mode, which holds its last value.  With a point limit, a
/// group that grows beyond it either drops its oldest tenth (left shift) or
/// halves its density (decimation); the C/N0-against-elevation series keep up
/// to four times the limit each.  Memory stays bounded however long the
/// monitor runs: the number of series is bounded by the satellites and
/// signals that exist.  Epochs without a time (a log whose date is unknown)
/// are not plotted, only counted.
class MonitorModel
{
public:
    enum Group { Cn0Group, FixGroup, SatelliteGroup, DopGroup, GroupCount };
    static constexpr int kElevationPointsPerLimit = 4;

    explicit MonitorModel(int maxPoints = 0, bool decimate = false);
    ~MonitorModel();
    MonitorModel(MonitorModel const&) = delete;
    MonitorModel& operator=(MonitorModel const&) = delete;

    void add(ReceiverEpoch const& epoch);

    /// Called with every C/N0 data set and every C/N0-against-elevation
    /// data set when it appears, with its band.
    std::function<void(XYDataSet*, QString const& band)> cn0DataSetAdded;
    std::function<void(XYDataSet*, QString const& band)> elevationDataSetAdded;

    /// The bands seen so far, in the order of GnssNaming::bands().
    QStringList bands() const;
    /// C/N0 curves of one band; of all bands for an empty band.
    QList<XYDataSet*> cn0DataSets(QString const& band = QString()) const;
    /// C/N0 against elevation of one band, one data set per system.
    QList<XYDataSet*> elevationDataSets(QString const& band) const;
    XYDataSet* fixModeBar() const;
    XYDataSet* positionError() const;
    XYDataSet* satelliteCount() const;
    QList<XYDataSet*> dopDataSets() const;
    DataArray* timeArray(Group group) const;
    int pointCount(Group group) const;
    int epochCount() const;
    /// Epochs left out because they had no time.
    qint64 untimedEpochCount() const { return untimed; }

    static QStringList fixModeNames();
    static QColor fixModeColor(int mode);
    static QColor systemColor(GnssSystem system);

private:
    struct Series
    {
        QString name;
        QString band;
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
    struct Scatter
    {
        QString band;
        GnssSystem system;
        XYDataSet* dataSet;
    };

    Series* create(Group group, QString const& name, QString const& band = QString(), QColor color = QColor());
    quint64 cn0Key(SignalObservation const& observation);
    bool hasCn0Series(SignalObservation const& observation);
    Series* cn0Series(SignalObservation const& observation);
    XYDataSet* scatter(SignalObservation const& observation);
    void set(Series* series, double value);
    void commit(Group group, double timeMs);
    void bound(Group group);
    void boundScatter(XYDataSet* dataSet);

    SeriesGroup groups[GroupCount];
    // Index into the C/N0 series by satellite and signal.
    QHash<quint64, int> cn0Index;
    QHash<QString, int> signalIds;
    QHash<quint32, int> satelliteColors;
    QList<Scatter> scatters;
    QStringList seenBands;
    int maxPoints;
    bool decimate;
    int epochs = 0;
    qint64 untimed = 0;
};

#endif
