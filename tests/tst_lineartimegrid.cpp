// Time axis labels: time types, leap seconds, local offsets, week roll-over,
// and locale formatting.
#include <zebplot/zebplot.h>

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <ctime>
#include <limits>

namespace {

const double kWeek = 604800000;
const double kDay = 86400000;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The process time zone for the lifetime of the object.
struct TimeZoneScope
{
    const QByteArray saved = qgetenv("TZ");
    explicit TimeZoneScope(const char* zone) { qputenv("TZ", zone); tzset(); }
    ~TimeZoneScope() { saved.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", saved); tzset(); }
};

} // namespace

class TestLinearTimeGrid : public QObject
{
    Q_OBJECT

private slots:
    void labels();
    void computedLocalOffset();
    void localeFormatting();
    void ticksAreLabelledAsTimes();
};

void TestLinearTimeGrid::labels()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const float noOffset = LinearTimeGrid::kNoUtcOffset;
    const short unknown = LinearTimeGrid::kUnknownLeapSeconds;
    struct Case { short deltaLS; float offset; ETimeType type; double value; const char* label; };
    const Case cases[] = {
        {0, noOffset, eSHOW_GNSS, 0, "0:00:00"},
        {0, noOffset, eSHOW_TOW, 0, "0"},
        // Decimals follow the value, rounded half away from zero to milliseconds.
        {0, noOffset, eSHOW_GNSS, 1200, "0:00:01.2"},
        {0, noOffset, eSHOW_GNSS, 1234.5, "0:00:01.235"},
        {0, noOffset, eSHOW_GNSS, 13 * 3600000.0 + 2 * 60000 + 7250, "13:02:07.25"},
        {0, noOffset, eSHOW_SECONDS, 2500, "2.5"},
        // Week roll-over: the time of week starts again, the time of day goes on.
        {0, noOffset, eSHOW_TOW, kWeek + 500, "0.5"},
        {0, noOffset, eSHOW_GNSS, kWeek + 500, "0:00:00.5"},
        {0, noOffset, eSHOW_TOW, 3 * kWeek + kDay + 20, "86,400.02"},
        {0, noOffset, eSHOW_SECONDS, kWeek, "604,800"},
        // Leap seconds come off UTC and local time, but never off a smaller value.
        {18, noOffset, eSHOW_UTC, 18000, "0:00:00"},
        {18, noOffset, eSHOW_UTC, kDay + 18250, "0:00:00.25"},
        {18, noOffset, eSHOW_UTC, 10000, "0:00:10"},
        {18, noOffset, eSHOW_GNSS, 18000, "0:00:18"},
        // Unknown leap seconds: no UTC or local time, the others unaffected.
        {unknown, 2.0f, eSHOW_UTC, 10000, "UTC N/A"},
        {unknown, 2.0f, eSHOW_LOCAL, 10000, "Local N/A"},
        {unknown, 2.0f, eSHOW_GNSS, 10000, "0:00:10"},
        // A set offset, also fractional or negative; leap seconds go first.
        {0, 2.0f, eSHOW_LOCAL, 0, "2:00:00"},
        {0, -3.5f, eSHOW_LOCAL, 0, "20:30:00"},
        {18, 1.0f, eSHOW_LOCAL, 25000, "1:00:07"},
        {0, std::numeric_limits<float>::quiet_NaN(), eSHOW_LOCAL, 0, "Local N/A"},
        // No time: not a number or too far out; before the origin the clock runs backwards.
        {0, noOffset, eSHOW_GNSS, kNaN, "N/A"},
        {18, noOffset, eSHOW_UTC, std::numeric_limits<double>::infinity(), "UTC N/A"},
        {0, noOffset, eSHOW_TOW, 1e300, "N/A"},
        {0, noOffset, eSHOW_GNSS, -250, "23:59:59.75"},
        {0, noOffset, eSHOW_SECONDS, -1500, "-1.5"},
        // Types outside the list (7 is the largest value the enumeration holds).
        {0, noOffset, ETimeType(7), 1000, ""},
    };
    for (const Case& c : cases) {
        LinearTimeGrid grid(c.deltaLS, VERTICAL, nullptr);
        grid.setUtcOffset(c.offset);
        grid.changeTimeFormat(c.type);
        const QString label = grid.getLabel(c.value, 4);
        QVERIFY2(label == QLatin1String(c.label),
                 qPrintable(QString("%1 ms, type %2: %3").arg(c.value).arg(c.type).arg(label)));
    }

    LinearTimeGrid grid(18, VERTICAL, nullptr);
    grid.changeTimeFormat(eSHOW_UTC);
    QCOMPARE(grid.getDateTime(kWeek + kDay + 19500), QDateTime(QDate(1980, 1, 14), QTime(0, 0, 1, 500), Qt::UTC));
    grid.setDeltaLS(unknown);
    QVERIFY(grid.getDateTime(0).isNull());
}

void TestLinearTimeGrid::computedLocalOffset()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    grid.changeTimeFormat(eSHOW_LOCAL);
    {
        // 5 h 30 min ahead of UTC gives whole hours only; a set offset wins.
        TimeZoneScope zone("XST-5:30");
        QVERIFY(grid.getLocalTimeOffsetHours(0) == 5.0f && grid.getLabel(0, 0) == "5:00:00");
        grid.setUtcOffset(5.5f);
        QCOMPARE(grid.getLabel(1250, 0), QString("5:30:01.25"));
        grid.setUtcOffset(LinearTimeGrid::kNoUtcOffset);
    }
    {
        // Behind UTC the hours are cut toward zero as well.
        TimeZoneScope zone("YST+3:30");
        QVERIFY(grid.getLocalTimeOffsetHours(0) == -3.0f && grid.getLabel(0, 0) == "21:00:00");
    }
    {
        // Summer time: a July instant has a larger offset, but the whole axis
        // uses the offset at the origin, a winter day.
        TimeZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
        const double july = (QDateTime(QDate(1980, 7, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch() - 315964800) * 1e3;
        QVERIFY(grid.getLocalTimeOffsetHours(0) == 1.0f && grid.getLocalTimeOffsetHours(july) == 2.0f
                && grid.getLabel(july, 0) == "13:00:00");
    }
}

void TestLinearTimeGrid::localeFormatting()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    grid.changeTimeFormat(eSHOW_SECONDS);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(grid.getLabel(1234567, 0), QString("1.234,567"));
    grid.changeTimeFormat(eSHOW_TOW);
    QCOMPARE(grid.getLabel(kWeek - 500, 0), QString("604.799,5"));
    QLocale::setDefault(QLocale::c());
    grid.changeTimeFormat(eSHOW_SECONDS);
    QCOMPARE(grid.getLabel(3600000000.0, 0), QString("3600000"));
}

void TestLinearTimeGrid::ticksAreLabelledAsTimes()
{
    // The inherited ticks (every 10 s here) get time labels.
    LinearTimeGrid grid(18, VERTICAL, nullptr);
    grid.setLabelType(LABEL_ON_SCALE);
    grid.changeTimeFormat(eSHOW_UTC);
    QImage image(500, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    grid.drawLabels(&painter, 0, 0, 60000, 1);
    QCOMPARE(grid.getLabels()->mid(0, 4), QList<QString>({"0:00:00", "0:00:10", "0:00:02", "0:00:12"}));
}

QTEST_MAIN(TestLinearTimeGrid)
#include "tst_lineartimegrid.moc"
