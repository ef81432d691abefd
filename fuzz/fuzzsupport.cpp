#include "fuzzsupport.h"

#include <QApplication>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

void quietHandler(QtMsgType type, QMessageLogContext const&, QString const& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void silenceQtMessages()
{
    qInstallMessageHandler(quietHandler);
}

void startHeadlessApplication()
{
    silenceQtMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // libFuzzer's own arguments mean nothing to Qt; it gets a name only.
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

void fuzzFailure(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("fuzz check failed: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
    std::abort();
}

uint8_t FuzzBytes::byte()
{
    return position < size ? data[position++] : 0;
}

int FuzzBytes::integer(int low, int high)
{
    const unsigned range = unsigned(high - low) + 1;
    unsigned value = byte();
    if (range > 256)
        value = value << 8 | byte();
    if (range > 65536)
        value = value << 16 | unsigned(byte()) << 8 | byte();
    return low + int(value % range);
}

double FuzzBytes::anyDouble()
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    static const double specials[] = {
        std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e308, -1e308,
        std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
        std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), 0.0, -0.0, 1e-300, 1e15, 9.007199254740993e15, 2147483648.0,
    };
    const uint8_t kind = byte();
    if (kind < 32)
        return specials[kind % std::size(specials)];
    if (kind < 64) {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | byte();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A signed 16-bit number scaled by a small power of ten.
    const int16_t mantissa = int16_t(byte() << 8 | byte());
    return mantissa * std::pow(10.0, int(kind % 7) - 3);
}

QByteArrayView FuzzBytes::rest()
{
    const QByteArrayView view(reinterpret_cast<const char*>(data) + position, qsizetype(size - position));
    position = size;
    return view;
}
