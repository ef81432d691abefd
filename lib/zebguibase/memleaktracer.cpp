#include "memleaktracer.h"

#include <QMutexLocker>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Reported from an atexit handler rather than from the tracer's destructor:
// the tracer must stay usable for objects destroyed by other static destructors.
void reportAtExit()
{
    MemLeakTracer::getInstance()->report();
}

} // namespace

MemLeakTracer::MemLeakTracer()
{
    const char* report = std::getenv("ZEB_MEMLEAK_REPORT");
    if (report && std::strcmp(report, "0") != 0 && *report)
        std::atexit(reportAtExit);
}

MemLeakTracer::~MemLeakTracer() = default;

MemLeakTracer* MemLeakTracer::getInstance()
{
    // Deliberately never destroyed, so that objects that die late in the
    // process (static plots, the synchronisation organizer) can still report.
    static MemLeakTracer* instance = new MemLeakTracer;
    return instance;
}

void MemLeakTracer::doAllocateObject(QString name)
{
    QMutexLocker lock(&mutex);
    ++counts[name];
}

void MemLeakTracer::doDeallocateObject(QString name)
{
    QMutexLocker lock(&mutex);
    auto it = counts.find(name);
    if (it == counts.end())
        counts.insert(name, -1);
    else
        --it.value();
}

int MemLeakTracer::liveCount(const QString& name) const
{
    QMutexLocker lock(&mutex);
    return counts.value(name, 0);
}

QMap<QString, int> MemLeakTracer::liveObjects() const
{
    QMutexLocker lock(&mutex);
    QMap<QString, int> result;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() != 0)
            result.insert(it.key(), it.value());
    return result;
}

int MemLeakTracer::totalLiveCount() const
{
    QMutexLocker lock(&mutex);
    int total = 0;
    for (int count : counts)
        total += count;
    return total;
}

void MemLeakTracer::report() const
{
    const QMap<QString, int> live = liveObjects();
    if (live.isEmpty()) {
        std::fprintf(stderr, "MemLeakTracer: no live objects\n");
        return;
    }
    std::fprintf(stderr, "MemLeakTracer: live objects at exit\n");
    for (auto it = live.cbegin(); it != live.cend(); ++it)
        std::fprintf(stderr, "  %s: %d\n", qPrintable(it.key()), it.value());
}
