#include "lineartimegrid.h"

#include "dbg.h"
#include "memleaktracer.h"

#include <QTime>

#include <cmath>

namespace {

// The GNSS time origin, 1980-01-06 00:00:00 UTC, in seconds since 1970-01-01.
const qint64 kGnssOriginSecsSinceEpoch = 315964800;

const qint64 kMillisecondsPerSecond = 1000;
const qint64 kMillisecondsPerWeek = 604800000;
const qint64 kSecondsPerHour = 3600;

// Largest magnitude of an axis value that still converts: up to 2^53 a double
// holds every whole millisecond exactly, and the integer arithmetic below
// (leap seconds, the origin, offsets) cannot overflow.
const double kLargestConvertibleValue = 9007199254740992.0;

// An axis value as a whole number of milliseconds, rounded half away from zero.
// False when the value is not finite or too large to stand for a time.
bool toMilliseconds(double value, qint64& milliseconds)
{
    if (!std::isfinite(value) || std::fabs(value) > kLargestConvertibleValue)
        return false;
    milliseconds = std::llround(value);
    return true;
}

// Division and remainder rounding toward minus infinity, so that values before
// the origin fall into the previous second, day or week instead of producing
// negative clock fields.
qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        --q;
    return q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    const qint64 r = a % b;
    return r < 0 ? r + b : r;
}

// Decimals a label needs to show the value exactly: none for whole seconds,
// then tenths, hundredths or milliseconds.
int decimalsOf(qint64 milliseconds)
{
    if (floorMod(milliseconds, 1000) == 0)
        return 0;
    if (milliseconds % 100 == 0)
        return 1;
    if (milliseconds % 10 == 0)
        return 2;
    return 3;
}

} // namespace

LinearTimeGrid::LinearTimeGrid(short deltaLS, E_ORIENTATION_TYPE orientation, QWidget* parent)
    : LinearGrid(orientation, parent), deltaLS(deltaLS)
{
    MemLeakTracer::getInstance()->doAllocateObject("LinearTimeGrid");
}

LinearTimeGrid::~LinearTimeGrid()
{
    MemLeakTracer::getInstance()->doDeallocateObject("LinearTimeGrid");
}

ETimeType LinearTimeGrid::getTimeType() const
{
    return timeType;
}

short LinearTimeGrid::getDeltaLS() const
{
    return deltaLS;
}

void LinearTimeGrid::setDeltaLS(short deltaLS)
{
    this->deltaLS = deltaLS;
}

float LinearTimeGrid::getUtcOffset() const
{
    return utcOffset;
}

void LinearTimeGrid::setUtcOffset(float utcOffset)
{
    this->utcOffset = utcOffset;
}

void LinearTimeGrid::changeTimeFormat(ETimeType type)
{
    timeType = type;
    update();
}

QDateTime LinearTimeGrid::getDateTime(double value)
{
    qint64 t = 0;
    if (!toMilliseconds(value, t))
        return QDateTime();

    if (timeType == eSHOW_UTC || timeType == eSHOW_LOCAL) {
        if (deltaLS == kUnknownLeapSeconds)
            return QDateTime();
        const qint64 leapMilliseconds = qint64(deltaLS) * kMillisecondsPerSecond;
        // A value smaller than the leap seconds is left alone rather than
        // pushed before the origin.
        if (deltaLS >= 0) {
            if (t >= leapMilliseconds)
                t -= leapMilliseconds;
        } else {
            t -= leapMilliseconds;
        }
    }

    QDateTime dateTime = QDateTime::fromSecsSinceEpoch(
        floorDiv(t, kMillisecondsPerSecond) + kGnssOriginSecsSinceEpoch, Qt::UTC);

    if (timeType == eSHOW_LOCAL) {
        // One offset for the whole axis, the one the time plot names in its
        // axis title: the set offset or the system's offset at the origin.
        const double offsetSeconds = double(getLocalTimeOffsetHours(0)) * kSecondsPerHour;
        if (!std::isfinite(offsetSeconds) || std::fabs(offsetSeconds) > kLargestConvertibleValue / 1000.0)
            return QDateTime();
        dateTime = dateTime.addSecs(std::llround(offsetSeconds));
    }

    return dateTime.addMSecs(floorMod(floorMod(t, kMillisecondsPerWeek), kMillisecondsPerSecond));
}

float LinearTimeGrid::getLocalTimeOffsetHours(double value)
{
    if (utcOffset != kNoUtcOffset)
        return utcOffset;

    qint64 t = 0;
    if (!toMilliseconds(value, t))
        return 0.0f;

    // The system's offset at that instant: the local wall-clock reading taken
    // as if it were UTC, minus the UTC instant.
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(
        floorDiv(t, kMillisecondsPerSecond) + kGnssOriginSecsSinceEpoch, Qt::UTC);
    const QDateTime local = utc.toLocalTime();
    const QDateTime localReadAsUtc(local.date(), local.time(), Qt::UTC);
    // Whole hours, cut toward zero: a zone 5 h 30 min ahead gives 5.
    return float(utc.secsTo(localReadAsUtc) / kSecondsPerHour);
}

// The labels are built from the value alone, so the decimals of the tick step
// are not used.  Time types outside the enumeration give an empty label.
QString LinearTimeGrid::getLabel(double value, int decimals)
{
    Q_UNUSED(decimals);

    const QDateTime dateTime = getDateTime(value);
    if (!dateTime.isValid()) {
        QString prefix;
        if (timeType == eSHOW_UTC)
            prefix = QStringLiteral("UTC ");
        else if (timeType == eSHOW_LOCAL)
            prefix = QStringLiteral("Local ");
        return prefix + tr("N/A");
    }

    // A valid date-time means the value converted.
    qint64 t = 0;
    toMilliseconds(value, t);
    const qint64 fraction = floorMod(t, kMillisecondsPerSecond);
    const int shownDecimals = decimalsOf(t);

    switch (timeType) {
    case eSHOW_GNSS:
    case eSHOW_UTC:
    case eSHOW_LOCAL: {
        QString text = dateTime.time().toString(QStringLiteral("H:mm:ss"));
        if (fraction != 0)
            text += QString::number(double(fraction) / 1000.0, 'f', shownDecimals).mid(1);
        return text;
    }
    case eSHOW_TOW:
        return QString("%L1").arg(double(floorMod(t, kMillisecondsPerWeek)) / 1000.0, 0, 'f', shownDecimals);
    case eSHOW_SECONDS:
        return QString("%L1").arg(double(t) / 1000.0, 0, 'f', shownDecimals);
    case eSHOW_EOL:
        ZEB_ASSERT("LinearTimeGrid", "eSHOW_EOL should not occur");
        return QString();
    }
    return QString();
}
