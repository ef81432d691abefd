#ifndef ZEBPLOT_LINEARTIMEGRID_H
#define ZEBPLOT_LINEARTIMEGRID_H

#include "zebplot_export.h"
#include "lineargrid.h"
#include "plottypes.h"

#include <QDateTime>
#include <QString>

/// The grid of a horizontal time axis.
///
/// Ticks are placed exactly as by LinearGrid; only the label text differs.  Axis
/// values are milliseconds since the GNSS time origin (1980-01-06 00:00:00 UTC),
/// and a label shows, by the time type, the GNSS, UTC or local time of day, the
/// time of week in seconds, or the seconds since the origin.  The number of
/// decimals of a label follows from the value itself (whole seconds, tenths,
/// hundredths or milliseconds), not from the tick step.
///
/// Leap seconds (GNSS minus UTC) are needed for UTC and local labels; while they
/// are unknown (kUnknownLeapSeconds) those labels read "UTC N/A" and
/// "Local N/A".  The local offset is the one set with setUtcOffset or, while
/// none is set, the whole hours by which the system's time zone was ahead of
/// UTC at the GNSS origin.
///
/// Negative values (before the origin) are converted with the same arithmetic
/// continued downwards: -1000 is 23:59:59 of the previous day, a time of week of
/// 604799 and -1 seconds.  Values that are not finite or lie beyond about
/// 285 000 years from the origin have no time and read "N/A".
class ZEBPLOT_EXPORT LinearTimeGrid : public LinearGrid
{
    Q_OBJECT

public:
    /// Leap-second count meaning "not known".
    static constexpr short kUnknownLeapSeconds = -128;
    /// Local offset meaning "not set": the offset is then taken from the system.
    static constexpr float kNoUtcOffset = -100.0f;

    /// A time grid with GNSS labels at first; deltaLS is GNSS minus UTC in seconds (kUnknownLeapSeconds:
    /// not known).  Owned by parent.
    LinearTimeGrid(short deltaLS, E_ORIENTATION_TYPE orientation, QWidget* parent);
    ~LinearTimeGrid() override;

    /// The date and time an axis value stands for, as a UTC date-time whose
    /// wall-clock reading is the time of the current type (local types are
    /// shifted by the offset).  Null when UTC or local time is asked for while
    /// the leap seconds are unknown, or when the value has no time.
    QDateTime getDateTime(double value);
    /// Hours from UTC to local time: the set offset, or else the system's offset
    /// at the instant of the value (no leap seconds applied), whole hours only,
    /// cut toward zero.
    float getLocalTimeOffsetHours(double value);
    /// The tick label of a value; decimals is ignored.
    QString getLabel(double value, int decimals) override;

    /// What the labels show (eSHOW_GNSS at first).
    ETimeType getTimeType() const;
    /// Leap seconds GNSS minus UTC; kUnknownLeapSeconds when not known.
    short getDeltaLS() const;
    /// Sets the leap seconds without a repaint (the owner repaints when it wants).
    void setDeltaLS(short deltaLS);
    /// The local offset set, in hours; kNoUtcOffset when none is set.
    float getUtcOffset() const;
    /// Sets the local offset in hours without a repaint; kNoUtcOffset clears it.
    void setUtcOffset(float utcOffset);

public slots:
    /// Changes what the labels show and schedules a repaint.
    void changeTimeFormat(ETimeType type);

protected:
    /// The state behind the accessors above.
    ///@{
    ETimeType timeType = eSHOW_GNSS;
    short deltaLS;
    float utcOffset = kNoUtcOffset;
    ///@}

private:
    Q_DISABLE_COPY(LinearTimeGrid)
};

#endif
