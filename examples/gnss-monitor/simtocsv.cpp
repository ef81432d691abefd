// Writes the simulated receiver's epochs in the replay format, to a file or
// down a pipe: a recording of any length for replays and soak runs.
//
//   gnss-monitor-simcsv [RATE_HZ [DURATION_S [SEED]]] > recording.csv
//   gnss-monitor-simcsv 100 86400 | gnss-monitor --replay /dev/stdin --speed 0 ...
#include "simulatedreceiver.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

char* put(char* out, double value)
{
    if (std::isnan(value)) {
        *out++ = 'n';
        *out++ = 'a';
        *out++ = 'n';
        return out;
    }
    return std::to_chars(out, out + 32, value).ptr;
}

} // namespace

int main(int argc, char** argv)
{
    const double rate = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double duration = argc > 2 ? std::atof(argv[2]) : 600.0;
    const unsigned seed = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 20240501u;
    if (!(rate >= 0.1 && rate <= 1000.0) || !(duration >= 0.0 && duration * rate <= 1e10)) {
        std::fprintf(stderr, "usage: %s [RATE_HZ (0.1..1000) [DURATION_S [SEED]]]\n", argv[0]);
        return 2;
    }
    SimulatedReceiver receiver(rate, seed);
    const double end = receiver.nextTime() + duration * 1000.0;
    std::vector<char> buffer(1 << 16);
    std::fputs("time_ms,series,value\n", stdout);
    while (receiver.nextTime() < end) {
        const Epoch epoch = receiver.next().toEpoch();
        char* out = buffer.data();
        for (auto const& value : epoch.values) {
            // Room for the longest line: two numbers and a short name.
            if (out - buffer.data() > qsizetype(buffer.size()) - 256) {
                std::fwrite(buffer.data(), 1, out - buffer.data(), stdout);
                out = buffer.data();
            }
            out = put(out, epoch.timeMs);
            *out++ = ',';
            const QByteArray name = value.first.toUtf8();
            out = std::copy(name.begin(), name.end(), out);
            *out++ = ',';
            out = put(out, value.second);
            *out++ = '\n';
        }
        if (std::fwrite(buffer.data(), 1, out - buffer.data(), stdout) != size_t(out - buffer.data()))
            return 1; // the reader went away
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
