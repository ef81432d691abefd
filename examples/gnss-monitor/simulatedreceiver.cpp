#include "simulatedreceiver.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTrackingMaskDeg = 5.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Autocorrelation of a BPSK(1) code, one chip wide on each side.
double bpskCorrelation(double tau)
{
    return std::max(0.0, 1.0 - std::fabs(tau));
}

// Autocorrelation of a sine-phased BOC(1,1) code: the narrow main peak with
// the two negative side lobes.
double bocCorrelation(double tau)
{
    const double a = std::fabs(tau);
    if (a <= 0.5)
        return 1.0 - 3.0 * a;
    if (a <= 1.0)
        return a - 1.0;
    return 0.0;
}

// A smooth passband: 1 inside [centre - halfWidth, centre + halfWidth], cosine
// roll-off over `edge` MHz outside it.
double passband(double f, double centre, double halfWidth, double edge)
{
    const double d = std::fabs(f - centre) - halfWidth;
    if (d <= 0.0)
        return 1.0;
    if (d >= edge)
        return 0.0;
    return 0.5 * (1.0 + std::cos(kPi * d / edge));
}

} // namespace

SimulatedReceiver::SimulatedReceiver(double rateHz, unsigned int seed, double startMs)
    : intervalMs(1000.0 / (rateHz > 0.0 ? rateHz : 10.0))
    , startMs(startMs)
    , random(seed)
    , frontEndRandom(seed ^ 0x5eedu)
{
    const char* names[] = {"G02", "G05", "G07", "G09", "G11", "G13", "G15", "G18", "G20", "G26", "G29",
                           "G30", "E03", "E08", "E13", "E24", "E25", "E31", "R04", "R12"};
    for (const char* name : names) {
        Satellite satellite;
        satellite.name = QString::fromLatin1(name);
        satellite.id = GnssNaming::fromName(satellite.name);
        satellite.signal = GnssNaming::signalNamed(satellite.id.system, QStringView());
        // Passes of a few minutes, so that a ten-minute run sees the sky change.
        satellite.periodS = 360.0 + 540.0 * uniform();
        satellite.phase = uniform();
        satellite.maxElevationDeg = 25.0 + 63.0 * uniform();
        satellite.offsetDb = gauss(1.5);
        satellites.append(satellite);
    }
}

EpochSource::State SimulatedReceiver::poll()
{
    return State::Ready;
}

void SimulatedReceiver::waitForInput(int)
{
    // Nothing to wait for.
}

QString SimulatedReceiver::description() const
{
    return QStringLiteral("Simulated receiver, %1 Hz").arg(1000.0 / intervalMs);
}

double SimulatedReceiver::nextTime() const
{
    return startMs + double(index) * intervalMs;
}

int SimulatedReceiver::satelliteCount() const
{
    return satellites.size();
}

bool SimulatedReceiver::inOutage() const
{
    return index < outageEnd;
}

double SimulatedReceiver::uniform()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(random);
}

double SimulatedReceiver::gauss(double sigma)
{
    return std::normal_distribution<double>(0.0, sigma)(random);
}

double SimulatedReceiver::frontEndNoise(double sigma)
{
    return std::normal_distribution<double>(0.0, sigma)(frontEndRandom);
}

double SimulatedReceiver::elevationDeg(Satellite const& satellite, double seconds) const
{
    return satellite.maxElevationDeg * std::sin(2.0 * kPi * (seconds / satellite.periodS + satellite.phase));
}

ReceiverEpoch SimulatedReceiver::next()
{
    ReceiverEpoch epoch;
    epoch.timeMs = nextTime();
    const double seconds = double(index) * intervalMs / 1000.0;
    const double epochsPerSecond = 1000.0 / intervalMs;

    // Outages (a tunnel, a bridge) every four minutes on average, 4 to 20 s long.
    if (!inOutage() && uniform() < 1.0 / (240.0 * epochsPerSecond)) {
        outageEnd = index + (long long)std::llround((4.0 + 16.0 * uniform()) * epochsPerSecond);
    }
    const bool outage = inOutage();

    int tracked = 0;
    for (int k = 0; k < satellites.size(); ++k) {
        Satellite const& satellite = satellites[k];
        const double elevation = elevationDeg(satellite, seconds);
        double cn0 = kNaN;
        if (!outage && elevation > kTrackingMaskDeg) {
            const double s = std::sin(elevation * kPi / 180.0);
            cn0 = 28.0 + 22.0 * std::pow(s, 0.7) + satellite.offsetDb + gauss(0.3 + 0.9 * (1.0 - s));
            ++tracked;
        }
        if (elevation <= 0.0)
            continue;
        SignalObservation o;
        o.system = satellite.id.system;
        o.number = satellite.id.number;
        o.satellite = satellite.name;
        o.signal = satellite.signal.name;
        o.band = satellite.signal.band;
        o.cn0 = float(cn0);
        o.elevation = float(elevation);
        o.azimuth = float(std::fmod(360.0 * (satellite.phase + seconds / satellite.periodS), 360.0));
        o.used = !std::isnan(cn0);
        epoch.observations.append(o);
    }

    // The fix climbs while enough satellites are tracked and starts over after
    // losing them.
    const int previousMode = mode;
    if (tracked < 4) {
        mode = NoFix;
    } else {
        const double inMode = seconds - modeSince;
        switch (mode) {
        case NoFix:
            mode = Autonomous;
            break;
        case Autonomous:
            if (inMode > 10.0)
                mode = Dgnss;
            break;
        case Dgnss:
            if (inMode > 20.0)
                mode = RtkFloat;
            break;
        case RtkFloat:
            if (inMode > 30.0 && uniform() < 1.0 / (15.0 * epochsPerSecond))
                mode = RtkFixed;
            break;
        default:
            // Lost ambiguities now and then: back to float.
            if (uniform() < 1.0 / (150.0 * epochsPerSecond))
                mode = RtkFloat;
            break;
        }
    }
    if (mode != previousMode)
        modeSince = seconds;

    static const double sigmaByMode[] = {0.0, 2.5, 0.8, 0.3, 0.03};
    double error = kNaN;
    if (mode != NoFix) {
        const double alpha = std::exp(-intervalMs / 3000.0);
        const double target = sigmaByMode[mode] * (1.0 + std::fabs(gauss(0.6)));
        positionError = alpha * positionError + (1.0 - alpha) * target;
        error = positionError;
    }
    epoch.fixMode = mode;
    epoch.reportedHorizontalError = error;
    epoch.satellitesUsed = tracked;
    // The fewer satellites, the weaker the geometry.
    if (tracked >= 4) {
        epoch.hdop = 0.5 + 5.0 / tracked + std::fabs(gauss(0.03));
        epoch.vdop = 1.5 * epoch.hdop + std::fabs(gauss(0.05));
        epoch.pdop = std::hypot(epoch.hdop, epoch.vdop);
    }
    ++index;
    return epoch;
}

QList<QPair<double, QString>> SimulatedReceiver::interferenceLines()
{
    return {{1574.1, QStringLiteral("CW interferer")}, {1207.0, QStringLiteral("DME")}};
}

void SimulatedReceiver::spectrum(QVector<double>& frequencyMHz, QVector<double>& powerDb)
{
    frequencyMHz.clear();
    powerDb.clear();
    const QList<QPair<double, QString>> lines = interferenceLines();
    for (double f = 1150.0; f <= 1620.0 + 1e-9; f += 0.25) {
        double p = 12.0;
        p += 16.0 * passband(f, 1575.42, 12.0, 6.0);
        p += 14.0 * passband(f, 1227.60, 10.0, 5.0);
        p += 13.0 * passband(f, 1176.45, 12.0, 6.0);
        p += 10.0 * passband(f, 1278.75, 8.0, 4.0);
        p += 11.0 * passband(f, 1602.00, 6.0, 4.0);
        p += 28.0 * std::exp(-0.5 * std::pow((f - lines[0].first) / 0.2, 2.0));
        p += 18.0 * std::exp(-0.5 * std::pow((f - lines[1].first) / 0.35, 2.0));
        p += frontEndNoise(0.8);
        frequencyMHz.append(f);
        powerDb.append(std::max(0.0, p));
    }
}

void SimulatedReceiver::correlation(QVector<double>& lagChips, QVector<double>& bpsk, QVector<double>& boc,
                                    double& trackingError)
{
    lagChips.clear();
    bpsk.clear();
    boc.clear();
    // A reflection 0.3 chips late whose phase turns slowly with time.
    const double seconds = double(index) * intervalMs / 1000.0;
    const double reflection = 0.3 * std::cos(2.0 * kPi * seconds / 40.0);
    const double delay = 0.3;
    auto combined = [&](double tau) {
        return (bpskCorrelation(tau) + reflection * bpskCorrelation(tau - delay)) / (1.0 + reflection);
    };
    // A wide early-late discriminator (one chip spacing) settles where early
    // and late correlations are equal; the reflection pulls it off zero.
    double smallest = 1e9;
    trackingError = 0.0;
    for (int i = -500; i <= 500; ++i) {
        const double tau = i / 1000.0;
        const double difference = std::fabs(combined(tau - 0.5) - combined(tau + 0.5));
        if (difference < smallest) {
            smallest = difference;
            trackingError = tau;
        }
    }
    for (int i = -150; i <= 150; ++i) {
        const double tau = i / 100.0;
        const double b = combined(tau);
        const double c = (bocCorrelation(tau) + reflection * bocCorrelation(tau - delay)) / (1.0 + reflection);
        lagChips.append(tau);
        bpsk.append(100.0 * b + frontEndNoise(1.0));
        boc.append(100.0 * c + frontEndNoise(1.0));
    }
}
