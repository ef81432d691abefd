// gpsd's JSON reports, one per line, as a gpsd client receives them.
#include "receiverchecks.h"

#include <gpsdjsonreader.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GpsdJsonReader reader;
    reader.parse(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QList<ReceiverEpoch> epochs = reader.takeEpochs();
    checkReaderOutput(epochs, reader.statistics());
    for (ReceiverEpoch const& epoch : epochs)
        FUZZ_CHECK(epoch.utcDate.isValid() && std::isfinite(epoch.timeMs), "gpsd epoch without date or time");
    return 0;
}
