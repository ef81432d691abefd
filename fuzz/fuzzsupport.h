#ifndef ZEBPLOT_FUZZ_FUZZSUPPORT_H
#define ZEBPLOT_FUZZ_FUZZSUPPORT_H

// What the fuzz targets share: a headless application, quiet Qt messages,
// failing loudly on a broken promise, and reading typed values off the
// fuzzer's bytes.

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

/// Creates the one QApplication of the process on the offscreen platform.
/// Warnings about bad input are expected by the thousand and are dropped;
/// fatal messages still end the process.
void startHeadlessApplication();
/// Drops qDebug/qInfo/qWarning/qCritical output (for targets without GUI).
void silenceQtMessages();

/// A broken promise of the code under test: prints and aborts, so that the
/// fuzzer keeps the input as a crash.
[[noreturn]] void fuzzFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));
#define FUZZ_CHECK(condition, ...)         \
    do {                                   \
        if (!(condition))                  \
            fuzzFailure(__VA_ARGS__);      \
    } while (0)

/// Reads values off the input front to back; past the end every read gives
/// zero, so a decoder never needs to check the length itself.
class FuzzBytes
{
public:
    FuzzBytes(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool atEnd() const { return position >= size; }
    uint8_t byte();
    /// An integer in [low, high].
    int integer(int low, int high);
    /// Any double: IEEE specials, extremes, denormals, raw bit patterns and
    /// small plain numbers, the last most often so that plots have shape.
    double anyDouble();
    /// The rest of the input.
    QByteArrayView rest();

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

#endif
