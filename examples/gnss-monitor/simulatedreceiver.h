#ifndef GNSSMONITOR_SIMULATEDRECEIVER_H
#define GNSSMONITOR_SIMULATEDRECEIVER_H

#include "epochsource.h"

#include <QVector>

#include <random>

/// A deterministic stand-in for a receiver.
///
/// The sky turns much faster than the real one (passes last minutes, not
/// hours), so that a short run shows satellites rising and setting.  C/N0
/// follows the elevation plus noise; the fix mode climbs from autonomous to
/// RTK fixed while enough satellites are tracked and falls back after an
/// outage, during which nothing is tracked.  The same seed gives the same
/// epochs, bit for bit.
///
/// Each epoch lists the satellites above the horizon on their first civil
/// signal with elevation, azimuth and C/N0 (NaN while not tracked), the fix
/// mode, the position error (unknown without fix), the satellites used and
/// the DOPs of that geometry.
class SimulatedReceiver : public EpochSource
{
public:
    /// 2024-05-01 00:00:00 GNSS time, in ms since the GNSS origin.
    static constexpr double kDefaultStartMs = 1398556800000.0;

    explicit SimulatedReceiver(double rateHz = 10.0, unsigned int seed = 20240501u,
                               double startMs = kDefaultStartMs);

    /// Epochs are computed when asked for: always ready, never finished.
    State poll() override;
    double nextTime() const override;
    ReceiverEpoch next() override;
    void waitForInput(int msecs) override;
    QString description() const override;

    int satelliteCount() const;
    bool inOutage() const;

    /// Power spectral density of the antenna signal, 1150 to 1620 MHz, with
    /// the front-end passbands and the two interference lines; the noise
    /// changes with every call.
    void spectrum(QVector<double>& frequencyMHz, QVector<double>& powerDb);
    /// Frequencies and names of the interference lines in the spectrum.
    static QList<QPair<double, QString>> interferenceLines();
    /// Normalized correlation (percent) over -1.5..1.5 chips: a BPSK(1) and a
    /// BOC(1,1) channel, both with a little multipath; trackingError is the
    /// code-phase offset the loop currently settles on (chips).
    void correlation(QVector<double>& lagChips, QVector<double>& bpsk, QVector<double>& boc,
                     double& trackingError);

private:
    struct Satellite
    {
        GnssNaming::Satellite id;
        QString name;
        GnssNaming::Signal signal;
        double periodS;
        double phase;
        double maxElevationDeg;
        double offsetDb;
    };
    double elevationDeg(Satellite const& satellite, double seconds) const;
    double gauss(double sigma);
    double uniform();
    double frontEndNoise(double sigma);

    double intervalMs;
    double startMs;
    long long index = 0;
    std::mt19937 random;
    // Spectrum and correlation draw from their own generator, so that the
    // epochs do not depend on how often those are refreshed.
    std::mt19937 frontEndRandom;
    QList<Satellite> satellites;
    int mode = Autonomous;
    double modeSince = 0.0;
    double positionError = 3.0;
    long long outageEnd = -1;
};

#endif
