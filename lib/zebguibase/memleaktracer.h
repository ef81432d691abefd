#ifndef ZEBGUIBASE_MEMLEAKTRACER_H
#define ZEBGUIBASE_MEMLEAKTRACER_H

#include "zebguibase_export.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QString>

/// Counts live objects per class name.
///
/// Every class of the plotting library reports each construction and
/// destruction here (once per level of its class tree), so that a program or a
/// test can ask how many objects of a kind are alive and spot leaks.  With the
/// environment variable ZEB_MEMLEAK_REPORT=1 the non-zero counts are printed to
/// standard error when the process exits.
class ZEBGUIBASE_EXPORT MemLeakTracer
{
public:
    /// The process-wide tracer, created on first use.
    static MemLeakTracer* getInstance();

    void doAllocateObject(QString name);
    void doDeallocateObject(QString name);

    /// Objects of the class name currently alive (constructions minus destructions).
    int liveCount(const QString& name) const;
    /// Every class name whose live count is not zero, with its count.
    QMap<QString, int> liveObjects() const;
    /// Sum of all live counts.
    int totalLiveCount() const;

    /// Writes the non-zero counts to standard error, one "name: count" per line.
    void report() const;

    MemLeakTracer(const MemLeakTracer&) = delete;
    MemLeakTracer& operator=(const MemLeakTracer&) = delete;

private:
    MemLeakTracer();
    ~MemLeakTracer();

    mutable QMutex mutex;
    QHash<QString, int> counts;
};

#endif
