#include "viewsynchronizationorganizer.h"

#include "memleaktracer.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QIcon>
#include <QList>
#include <QSettings>

#include <utility>

namespace {

const char* const kSettingsGroup = "ViewSynchronization";
const char* const kScopeKey = "scope";
// Plots of one window are kept in step until the user chooses otherwise.
const int kDefaultScope = ViewSynchronizer::WindowScope;

// QSettings decodes "@Variant(...)" values with QDataStream, which believes
// the sizes written in them: a damaged file can make it allocate gigabytes,
// when a value is read and when the file is rewritten.  The scope is stored
// as a plain number, so such a file is left alone.
bool holdsSerializedValues(QString const& fileName, const char* what)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || !file.readAll().contains("@Variant("))
        return false;
    qWarning("ViewSynchronizationOrganizer: %s holds serialized values that cannot be read safely; the view "
             "synchronization scope is not %s it",
             qPrintable(fileName), what);
    return true;
}

bool isChoosableScope(ViewSynchronizer::Scope scope)
{
    return scope >= ViewSynchronizer::ApplicationScope && scope <= ViewSynchronizer::NoScope;
}

} // namespace

ViewSynchronizationOrganizer* ViewSynchronizationOrganizer::getInstance()
{
    // Created on first use, destroyed at exit; the initialisation is thread safe.
    static ViewSynchronizationOrganizer instance;
    return &instance;
}

ViewSynchronizationOrganizer::ViewSynchronizationOrganizer()
{
    MemLeakTracer::getInstance()->doAllocateObject("ViewSynchronizationOrganizer");

    actionGroup = new QActionGroup(this);
    actionGroup->setExclusive(true);

    struct ActionDefinition
    {
        QAction** action;
        const char* icon;
        QString text;
        const char* slot;
    };
    const ActionDefinition definitions[] = {
        {&applicationScopeAction, ":/pic/tp_sync_all.png", tr("Synchronize &all plots"),
         SLOT(enableApplicationScope())},
        {&fileScopeAction, ":/pic/tp_sync_file.png", tr("Synchronize plots per &file"), SLOT(enableFileScope())},
        {&windowScopeAction, ":/pic/tp_sync_view.png", tr("Synchronize plots per &view"),
         SLOT(enableWindowScope())},
        {&noScopeAction, ":/pic/tp_sync_no.png", tr("&No synchronization over the plots"), SLOT(enableNone())},
    };
    for (const ActionDefinition& definition : definitions) {
        QAction* action = new QAction(QIcon(QString::fromLatin1(definition.icon)), definition.text, actionGroup);
        action->setCheckable(true);
        actionGroup->addAction(action);
        connect(action, SIGNAL(triggered()), this, definition.slot);
        *definition.action = action;
    }
    setActionStates();
}

ViewSynchronizationOrganizer::~ViewSynchronizationOrganizer()
{
    // The synchronizers unregister themselves while they are deleted; take the
    // registry out first so that nothing changes it while it is walked.
    const QMap<ViewSynchronizer::Scope, QSet<ViewSynchronizer*>> registered = std::exchange(synchronizers, {});
    applicationViewSynchronizer = nullptr;
    currentFileViewSynchronizer = nullptr;
    for (const QSet<ViewSynchronizer*>& set : registered)
        qDeleteAll(set);
    MemLeakTracer::getInstance()->doDeallocateObject("ViewSynchronizationOrganizer");
}

void ViewSynchronizationOrganizer::add(ViewSynchronizer* synchronizer)
{
    if (!synchronizer)
        return;
    synchronizers[synchronizer->getScope()].insert(synchronizer);
    synchronizer->setEnabled(synchronizer->getScope() == currentScope);
}

void ViewSynchronizationOrganizer::remove(ViewSynchronizer* synchronizer)
{
    if (!synchronizer)
        return;
    auto it = synchronizers.find(synchronizer->getScope());
    if (it != synchronizers.end())
        it->remove(synchronizer);
    // A host may delete the shared synchronizers; they are then made anew on request.
    if (synchronizer == applicationViewSynchronizer)
        applicationViewSynchronizer = nullptr;
    if (synchronizer == currentFileViewSynchronizer)
        currentFileViewSynchronizer = nullptr;
}

QSet<ViewSynchronizer*> ViewSynchronizationOrganizer::getSynchronizers(ViewSynchronizer::Scope scope)
{
    return synchronizers.value(scope);
}

ViewSynchronizer* ViewSynchronizationOrganizer::getApplicationViewSynchronizer()
{
    if (!applicationViewSynchronizer)
        applicationViewSynchronizer = new ViewSynchronizer(this, ViewSynchronizer::ApplicationScope, true, false);
    return applicationViewSynchronizer;
}

ViewSynchronizer* ViewSynchronizationOrganizer::getCurrentFileViewSynchronizer()
{
    if (!currentFileViewSynchronizer)
        newCurrentFile();
    return currentFileViewSynchronizer;
}

void ViewSynchronizationOrganizer::newCurrentFile()
{
    currentFileViewSynchronizer = new ViewSynchronizer(this, ViewSynchronizer::FileScope, true, false);
}

ViewSynchronizer::Scope ViewSynchronizationOrganizer::getCurrentEnabledScope() const
{
    return currentScope;
}

void ViewSynchronizationOrganizer::enableScope(ViewSynchronizer::Scope scope)
{
    if (scope != currentScope) {
        currentScope = scope;
        // Disable before enabling: an enabled synchronizer aligns its canvases
        // at once, and a canvas shared with a synchronizer of the old scope
        // must not pass that alignment on within the old scope.
        const QMap<ViewSynchronizer::Scope, QSet<ViewSynchronizer*>> registered = synchronizers;
        for (auto it = registered.cbegin(); it != registered.cend(); ++it)
            if (it.key() != scope)
                for (ViewSynchronizer* synchronizer : it.value())
                    synchronizer->setEnabled(false);
        for (ViewSynchronizer* synchronizer : registered.value(scope))
            if (synchronizers.value(scope).contains(synchronizer))
                synchronizer->setEnabled(true);
    }
    setActionStates();
}

QAction* ViewSynchronizationOrganizer::getEnablementAction(ViewSynchronizer::Scope scope)
{
    switch (scope) {
    case ViewSynchronizer::ApplicationScope:
        return applicationScopeAction;
    case ViewSynchronizer::FileScope:
        return fileScopeAction;
    case ViewSynchronizer::WindowScope:
        return windowScopeAction;
    case ViewSynchronizer::NoScope:
        return noScopeAction;
    }
    return nullptr;
}

void ViewSynchronizationOrganizer::setActionStates()
{
    if (isChoosableScope(currentScope)) {
        getEnablementAction(currentScope)->setChecked(true);
        return;
    }
    // A scope outside the list: no action may claim to be the choice.
    const QList<QAction*> actions = actionGroup->actions();
    for (QAction* action : actions)
        action->setChecked(false);
}

void ViewSynchronizationOrganizer::writeSettings(QString const& fileName)
{
    if (holdsSerializedValues(fileName, "written to"))
        return;
    QSettings settings(fileName, QSettings::IniFormat);
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kScopeKey, int(currentScope));
    settings.endGroup();
}

void ViewSynchronizationOrganizer::readSettings(QString const& fileName)
{
    if (holdsSerializedValues(fileName, "read from")) {
        enableScope(ViewSynchronizer::Scope(kDefaultScope));
        return;
    }
    QSettings settings(fileName, QSettings::IniFormat);
    settings.beginGroup(kSettingsGroup);
    const int scope = settings.value(kScopeKey, kDefaultScope).toInt();
    settings.endGroup();
    enableScope(ViewSynchronizer::Scope(scope));
}

void ViewSynchronizationOrganizer::enableApplicationScope()
{
    enableScope(ViewSynchronizer::ApplicationScope);
}

void ViewSynchronizationOrganizer::enableFileScope()
{
    enableScope(ViewSynchronizer::FileScope);
}

void ViewSynchronizationOrganizer::enableWindowScope()
{
    enableScope(ViewSynchronizer::WindowScope);
}

void ViewSynchronizationOrganizer::enableNone()
{
    enableScope(ViewSynchronizer::NoScope);
}
