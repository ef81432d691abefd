// NMEA 0183 logs as they come from files, serial ports and sockets, and the
// format detection that decides which reader gets a recording.
#include "receiverchecks.h"

#include <formatdetector.h>
#include <nmeaparser.h>

namespace {

/// The input with the checksum of every sentence made right, so that
/// mutations get past the checksum into the fields.
QByteArray withValidChecksums(QByteArrayView input)
{
    QByteArray fixed = input.toByteArray();
    static const char hex[] = "0123456789ABCDEF";
    for (qsizetype start = 0; start < fixed.size(); ++start) {
        if (fixed[start] != '$' && fixed[start] != '!')
            continue;
        quint8 sum = 0;
        qsizetype i = start + 1;
        for (; i < fixed.size() && !QByteArrayView("$!*\n").contains(fixed[i]); ++i)
            sum ^= quint8(fixed[i]);
        if (i + 2 < fixed.size() && fixed[i] == '*') {
            fixed[i + 1] = hex[sum >> 4];
            fixed[i + 2] = hex[sum & 15];
        }
        start = i - 1;
    }
    return fixed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const ReceiverFormat format = FormatDetector::detect(input.first(std::min<qsizetype>(size, FormatDetector::kHeadBytes)));
    (void)FormatDetector::name(format);

    // As it is, and repaired; the second time as an undated log read with
    // --date.
    const QByteArray repaired = withValidChecksums(input);
    for (bool withDate : {false, true}) {
        NmeaParser parser;
        if (withDate)
            parser.setFallbackDate(QDate(2024, 2, 29));
        parser.parse(withDate ? QByteArrayView(repaired) : input);
        const QList<ReceiverEpoch> epochs = parser.takeEpochs();
        checkReaderOutput(epochs, parser.statistics());
        if (withDate) {
            for (ReceiverEpoch const& epoch : epochs)
                FUZZ_CHECK(epoch.utcDate.isValid(), "epoch without date although one was given");
        }
    }
    return 0;
}
