// Time axis labels: time types, leap seconds, local offsets, week roll-over,
// locale formatting, and the fatal end-of-list type.
#include <zebplot/zebplot.h>
#include <memleaktracer.h>

#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <limits>

namespace {

const qint64 kWeek = 604800000;
const qint64 kDay = 86400000;

// Sets the process time zone for the lifetime of the object.
class TimeZoneScope
{
public:
    explicit TimeZoneScope(const char* zone) : saved(qgetenv("TZ")), hadZone(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZoneScope()
    {
        if (hadZone)
            qputenv("TZ", saved);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray saved;
    bool hadZone;
};

QString label(LinearTimeGrid& grid, ETimeType type, double value)
{
    grid.changeTimeFormat(type);
    return grid.getLabel(value, 4);
}

} // namespace

class TestLinearTimeGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void labelsPerTimeType();
    void leapSeconds();
    void unknownLeapSeconds();
    void setLocalOffset();
    void computedLocalOffset();
    void valuesOutsideTheTimeRange();
    void localeFormatting();
    void ticksAreLabelledAsTimes();
    void objectAccounting();
    void endOfListTypeIsFatal();

private:
    QLocale savedLocale;
};

void TestLinearTimeGrid::initTestCase()
{
    savedLocale = QLocale();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestLinearTimeGrid::cleanupTestCase()
{
    QLocale::setDefault(savedLocale);
}

void TestLinearTimeGrid::labelsPerTimeType()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    QCOMPARE(grid.getTimeType(), eSHOW_GNSS);
    QCOMPARE(grid.getLabel(0, 2), QString("0:00:00"));
    QCOMPARE(label(grid, eSHOW_TOW, 0), QString("0"));
    QCOMPARE(label(grid, eSHOW_SECONDS, 0), QString("0"));

    // Decimals follow the value, whatever the grid asks for.
    QCOMPARE(label(grid, eSHOW_GNSS, 1234), QString("0:00:01.234"));
    QCOMPARE(label(grid, eSHOW_GNSS, 1200), QString("0:00:01.2"));
    QCOMPARE(label(grid, eSHOW_GNSS, 1230), QString("0:00:01.23"));
    QCOMPARE(grid.getLabel(1500, 0), QString("0:00:01.5"));
    QCOMPARE(label(grid, eSHOW_GNSS, 3 * 3600000.0 + 2 * 60000 + 7250), QString("3:02:07.25"));
    QCOMPARE(label(grid, eSHOW_GNSS, 13 * 3600000.0 + 999), QString("13:00:00.999"));
    // Rounded half away from zero to whole milliseconds.
    QCOMPARE(label(grid, eSHOW_GNSS, 1234.5), QString("0:00:01.235"));
    QCOMPARE(label(grid, eSHOW_GNSS, 1999.6), QString("0:00:02"));
    QCOMPARE(label(grid, eSHOW_SECONDS, 1234.4), QString("1.234"));
    QCOMPARE(label(grid, eSHOW_SECONDS, 2500), QString("2.5"));

    // Week roll-over: the time of week starts again, the time of day goes on.
    QCOMPARE(label(grid, eSHOW_TOW, kWeek + 500), QString("0.5"));
    QCOMPARE(label(grid, eSHOW_GNSS, kWeek + 500), QString("0:00:00.5"));
    QCOMPARE(label(grid, eSHOW_TOW, kWeek - 1000), QString("604,799"));
    QCOMPARE(label(grid, eSHOW_TOW, 3 * kWeek + kDay + 20), QString("86,400.02"));
    QCOMPARE(label(grid, eSHOW_GNSS, kWeek - 1), QString("23:59:59.999"));
    QCOMPARE(label(grid, eSHOW_SECONDS, kWeek), QString("604,800"));

    // The date of a value: GNSS time of day has no leap seconds.
    grid.changeTimeFormat(eSHOW_GNSS);
    const QDateTime date = grid.getDateTime(kWeek + kDay + 1500);
    QCOMPARE(date.timeSpec(), Qt::UTC);
    QCOMPARE(date, QDateTime(QDate(1980, 1, 14), QTime(0, 0, 1, 500), Qt::UTC));

    // Types outside the list give no text (7 is the largest value the
    // enumeration can hold).
    grid.changeTimeFormat(ETimeType(7));
    QCOMPARE(grid.getLabel(1000, 0), QString());
}

void TestLinearTimeGrid::leapSeconds()
{
    LinearTimeGrid grid(18, VERTICAL, nullptr);
    QCOMPARE(label(grid, eSHOW_UTC, 18000), QString("0:00:00"));
    QCOMPARE(label(grid, eSHOW_UTC, 18001), QString("0:00:00.001"));
    // A value smaller than the leap seconds keeps them.
    QCOMPARE(label(grid, eSHOW_UTC, 10000), QString("0:00:10"));
    QCOMPARE(label(grid, eSHOW_UTC, 17999), QString("0:00:17.999"));
    QCOMPARE(label(grid, eSHOW_UTC, kDay + 18000 + 250), QString("0:00:00.25"));
    QCOMPARE(grid.getDateTime(kDay + 18000), QDateTime(QDate(1980, 1, 7), QTime(0, 0), Qt::UTC));
    // GNSS, time of week and seconds ignore them.
    QCOMPARE(label(grid, eSHOW_GNSS, 18000), QString("0:00:18"));
    QCOMPARE(label(grid, eSHOW_TOW, 18000), QString("18"));
    QCOMPARE(label(grid, eSHOW_SECONDS, 18000), QString("18"));

    // A negative count moves UTC later than GNSS time.
    grid.setDeltaLS(-2);
    QCOMPARE(grid.getDeltaLS(), short(-2));
    QCOMPARE(label(grid, eSHOW_UTC, 0), QString("0:00:02"));
}

void TestLinearTimeGrid::unknownLeapSeconds()
{
    LinearTimeGrid grid(LinearTimeGrid::kUnknownLeapSeconds, VERTICAL, nullptr);
    grid.setUtcOffset(2.0f);
    QCOMPARE(label(grid, eSHOW_UTC, 10000), QString("UTC N/A"));
    QCOMPARE(label(grid, eSHOW_LOCAL, 10000), QString("Local N/A"));
    QVERIFY(!grid.getDateTime(10000).isValid());
    QCOMPARE(label(grid, eSHOW_GNSS, 10000), QString("0:00:10"));
    QCOMPARE(label(grid, eSHOW_TOW, 10000), QString("10"));
    QCOMPARE(label(grid, eSHOW_SECONDS, 10000), QString("10"));

    // Learning them later makes the labels appear.
    grid.setDeltaLS(0);
    QCOMPARE(label(grid, eSHOW_UTC, 10000), QString("0:00:10"));
}

void TestLinearTimeGrid::setLocalOffset()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    QCOMPARE(grid.getUtcOffset(), LinearTimeGrid::kNoUtcOffset);
    grid.setUtcOffset(2.0f);
    QCOMPARE(label(grid, eSHOW_LOCAL, 0), QString("2:00:00"));
    QCOMPARE(grid.getLocalTimeOffsetHours(0), 2.0f);
    // UTC labels do not use the offset.
    QCOMPARE(label(grid, eSHOW_UTC, 0), QString("0:00:00"));

    // Fractional offsets keep their minutes; negative ones go back a day.
    grid.setUtcOffset(5.5f);
    QCOMPARE(grid.getLocalTimeOffsetHours(123456), 5.5f);
    QCOMPARE(label(grid, eSHOW_LOCAL, 1250), QString("5:30:01.25"));
    grid.setUtcOffset(-3.5f);
    QCOMPARE(label(grid, eSHOW_LOCAL, 0), QString("20:30:00"));
    QCOMPARE(grid.getDateTime(0), QDateTime(QDate(1980, 1, 5), QTime(20, 30), Qt::UTC));

    // Leap seconds come off before the offset goes on.
    grid.setDeltaLS(18);
    grid.setUtcOffset(1.0f);
    QCOMPARE(label(grid, eSHOW_LOCAL, 18000 + 7000), QString("1:00:07"));

    // An offset that is no number gives no local time rather than garbage.
    grid.setUtcOffset(std::numeric_limits<float>::quiet_NaN());
    QCOMPARE(label(grid, eSHOW_LOCAL, 0), QString("Local N/A"));
}

void TestLinearTimeGrid::computedLocalOffset()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    grid.changeTimeFormat(eSHOW_LOCAL);
    {
        // 5 h 30 min ahead of UTC: whole hours only.
        TimeZoneScope zone("XST-5:30");
        QCOMPARE(grid.getLocalTimeOffsetHours(0), 5.0f);
        QCOMPARE(grid.getLabel(0, 0), QString("5:00:00"));
        // A set offset wins over the system's; clearing it brings the system's back.
        grid.setUtcOffset(5.5f);
        QCOMPARE(grid.getLabel(0, 0), QString("5:30:00"));
        grid.setUtcOffset(LinearTimeGrid::kNoUtcOffset);
        QCOMPARE(grid.getLabel(0, 0), QString("5:00:00"));
    }
    {
        // Behind UTC the hours are cut toward zero as well.
        TimeZoneScope zone("YST+3:30");
        QCOMPARE(grid.getLocalTimeOffsetHours(0), -3.0f);
        QCOMPARE(grid.getLabel(0, 0), QString("21:00:00"));
    }
    {
        // Summer time: the offset of a July instant is larger, but the whole axis
        // uses the offset at the origin (a winter day).
        TimeZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
        const double july = double(QDateTime(QDate(1980, 7, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch()
                                   - 315964800) * 1000.0;
        QCOMPARE(grid.getLocalTimeOffsetHours(0), 1.0f);
        QCOMPARE(grid.getLocalTimeOffsetHours(july), 2.0f);
        QCOMPARE(grid.getLabel(july, 0), QString("13:00:00"));
    }
}

void TestLinearTimeGrid::valuesOutsideTheTimeRange()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QCOMPARE(label(grid, eSHOW_GNSS, nan), QString("N/A"));
    QCOMPARE(label(grid, eSHOW_UTC, inf), QString("UTC N/A"));
    QCOMPARE(label(grid, eSHOW_SECONDS, -inf), QString("N/A"));
    QCOMPARE(label(grid, eSHOW_TOW, 1e300), QString("N/A"));

    // Before the origin the clock runs on backwards.
    QCOMPARE(label(grid, eSHOW_GNSS, -1000), QString("23:59:59"));
    QCOMPARE(label(grid, eSHOW_GNSS, -250), QString("23:59:59.75"));
    QCOMPARE(label(grid, eSHOW_TOW, -1000), QString("604,799"));
    QCOMPARE(label(grid, eSHOW_SECONDS, -1500), QString("-1.5"));
    grid.setDeltaLS(18);
    QCOMPARE(label(grid, eSHOW_UTC, -1000), QString("23:59:59"));
}

void TestLinearTimeGrid::localeFormatting()
{
    LinearTimeGrid grid(0, VERTICAL, nullptr);
    grid.changeTimeFormat(eSHOW_SECONDS);
    QCOMPARE(grid.getLabel(3600000000.0, 0), QString("3,600,000"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(grid.getLabel(3600000000.0, 0), QString("3.600.000"));
    QCOMPARE(grid.getLabel(1234567, 0), QString("1.234,567"));
    grid.changeTimeFormat(eSHOW_TOW);
    QCOMPARE(grid.getLabel(kWeek - 500, 0), QString("604.799,5"));
    // Times of day are written the same everywhere.
    grid.changeTimeFormat(eSHOW_GNSS);
    QCOMPARE(grid.getLabel(1250, 0), QString("0:00:01.25"));

    QLocale::setDefault(QLocale::c());
    grid.changeTimeFormat(eSHOW_SECONDS);
    QCOMPARE(grid.getLabel(3600000000.0, 0), QString("3600000"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestLinearTimeGrid::ticksAreLabelledAsTimes()
{
    // The inherited tick placement hands its values to the time labels; ticks
    // below the leap seconds keep them.
    LinearTimeGrid grid(18, VERTICAL, nullptr);
    grid.setLabelType(LABEL_ON_SCALE);
    grid.changeTimeFormat(eSHOW_UTC);
    QImage image(500, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    grid.drawLabels(&painter, 0, 0, 60000, 1);
    painter.end();
    QCOMPARE(grid.getTickSpacing(), 500.0 / 6);
    const QList<QString> labels = *grid.getLabels();
    QVERIFY(labels.size() >= 7);
    QCOMPARE(labels.mid(0, 7), QList<QString>({"0:00:00", "0:00:10", "0:00:02", "0:00:12", "0:00:22",
                                                "0:00:32", "0:00:42"}));
}

void TestLinearTimeGrid::objectAccounting()
{
    MemLeakTracer* tracer = MemLeakTracer::getInstance();
    const int grids = tracer->liveCount("XYAbstractGrid");
    const int linear = tracer->liveCount("LinearGrid");
    const int time = tracer->liveCount("LinearTimeGrid");
    auto* grid = new LinearTimeGrid(0, HORIZONTAL, nullptr);
    QCOMPARE(tracer->liveCount("XYAbstractGrid"), grids + 1);
    QCOMPARE(tracer->liveCount("LinearGrid"), linear + 1);
    QCOMPARE(tracer->liveCount("LinearTimeGrid"), time + 1);
    delete grid;
    QCOMPARE(tracer->liveCount("XYAbstractGrid"), grids);
    QCOMPARE(tracer->liveCount("LinearGrid"), linear);
    QCOMPARE(tracer->liveCount("LinearTimeGrid"), time);
}

void TestLinearTimeGrid::endOfListTypeIsFatal()
{
    if (qEnvironmentVariableIsSet("ZEB_TIMEGRID_CRASH")) {
        LinearTimeGrid grid(18, VERTICAL, nullptr);
        grid.changeTimeFormat(eSHOW_EOL);
        grid.getLabel(1000, 0);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEB_TIMEGRID_CRASH", "1");
    env.remove("ZEB_TRACEINFO");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"endOfListTypeIsFatal"});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray errors = child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::CrashExit && child.exitCode() == SIGABRT, errors.constData());
    // One line of 79 characters: the function name right-aligned in 20 places.
    const QByteArray line = " ASSERT: LinearTimeGrid Ln: 199             getLabel eSHOW_EOL should not occur\n";
    QCOMPARE(line.size(), 80);
    QVERIFY2(errors.contains(line), errors.constData());
}

QTEST_MAIN(TestLinearTimeGrid)
#include "tst_lineartimegrid.moc"
