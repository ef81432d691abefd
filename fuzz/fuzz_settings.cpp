// The monitor's INI settings file: the view synchronization scope, read by
// the organizer at start-up, shown by the options dialog and written back.
#include "fuzzsupport.h"

#include <zebplot/zebplot.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct Monitor
{
    QTemporaryDir directory;
    XYPlot plots[2];
    ViewSynchronizer* window = nullptr;
    qint64 files = 0;

    Monitor()
    {
        // As the monitor wires its stack of time plots.
        window = new ViewSynchronizer(nullptr, ViewSynchronizer::WindowScope, true, false);
        ViewSynchronizationOrganizer* organizer = ViewSynchronizationOrganizer::getInstance();
        for (XYPlot& plot : plots) {
            window->addCanvas(plot.getCanvas());
            organizer->getCurrentFileViewSynchronizer()->addCanvas(plot.getCanvas());
            organizer->getApplicationViewSynchronizer()->addCanvas(plot.getCanvas());
        }
    }

    /// A new name each time: QSettings keeps parsed files by name.
    QString newFile() { return directory.filePath(QStringLiteral("monitor-%1.ini").arg(++files)); }
};

Monitor* monitor = nullptr;

/// Exactly the synchronizers of the current scope run; none outside 0 to 3.
void checkScope(ViewSynchronizationOrganizer* organizer, const char* when)
{
    const ViewSynchronizer::Scope scope = organizer->getCurrentEnabledScope();
    ViewSynchronizer* synchronizers[] = {monitor->window, organizer->getCurrentFileViewSynchronizer(),
                                         organizer->getApplicationViewSynchronizer()};
    for (ViewSynchronizer* synchronizer : synchronizers) {
        FUZZ_CHECK(synchronizer->isEnabled() == (synchronizer->getScope() == scope),
                   "%s: scope %d current, synchronizer of scope %d %s", when, int(scope),
                   int(synchronizer->getScope()), synchronizer->isEnabled() ? "enabled" : "disabled");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startHeadlessApplication();
    monitor = new Monitor;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString fileName = monitor->newFile();
    {
        QFile file(fileName);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly), "cannot write %s", qPrintable(fileName));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    ViewSynchronizationOrganizer* organizer = ViewSynchronizationOrganizer::getInstance();
    organizer->readSettings(fileName);
    const ViewSynchronizer::Scope scope = organizer->getCurrentEnabledScope();
    checkScope(organizer, "read");

    // The options dialog shows the scope read, and OK keeps it.
    {
        ViewSynchronizationOptionsWidget options(nullptr, true);
        options.accept();
    }
    FUZZ_CHECK(organizer->getCurrentEnabledScope() == scope, "options changed scope %d to %d", int(scope),
               int(organizer->getCurrentEnabledScope()));

    // Written back into the same file, as the monitor does on quitting, and
    // read again, it stays.
    organizer->writeSettings(fileName);
    organizer->enableScope(ViewSynchronizer::NoScope);
    organizer->readSettings(fileName);
    FUZZ_CHECK(organizer->getCurrentEnabledScope() == scope, "scope %d written, %d read back", int(scope),
               int(organizer->getCurrentEnabledScope()));
    checkScope(organizer, "read back");
    QFile::remove(fileName);
    return 0;
}
