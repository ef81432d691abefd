#ifndef ZEBPLOT_VIEWSYNCHRONIZATIONORGANIZER_H
#define ZEBPLOT_VIEWSYNCHRONIZATIONORGANIZER_H

#include "zebplot_export.h"
#include "viewsynchronizer.h"

#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>

class QAction;
class QActionGroup;

/// The process-wide registry of view synchronizers.
///
/// It remembers the scope of synchronization the user has chosen (all plots,
/// plots per file, plots per view, or none) and enables exactly the
/// synchronizers of that scope.  It offers one checkable menu action per scope,
/// owns the shared application synchronizer and the synchronizer of the current
/// file, and keeps the chosen scope in the host's INI settings file (group
/// "ViewSynchronization", key "scope").
///
/// The one instance is created on first use and destroyed at process exit; it
/// then deletes every synchronizer still registered.  The action icons are
/// resources of the host application (":/pic/tp_sync_all.png" and so on); the
/// library only names them, and without them the actions have no icon.
class ZEBPLOT_EXPORT ViewSynchronizationOrganizer : public QObject
{
    Q_OBJECT

public:
    /// The one organizer, created on first call with no scope chosen; deleted at process exit.
    static ViewSynchronizationOrganizer* getInstance();

    /// Registers a synchronizer and enables it exactly when its scope is the
    /// current one.  Called by the synchronizer's constructor.
    void add(ViewSynchronizer* synchronizer);
    /// Unregisters a synchronizer.  Called by the synchronizer's destructor.
    void remove(ViewSynchronizer* synchronizer);
    /// The registered synchronizers of a scope; those still registered at process exit are deleted
    /// with the organizer.
    QSet<ViewSynchronizer*> getSynchronizers(ViewSynchronizer::Scope scope);

    /// The synchronizer of all plots (horizontal only), created on first call.
    ViewSynchronizer* getApplicationViewSynchronizer();
    /// The synchronizer of the current file (horizontal only), created on first call.
    ViewSynchronizer* getCurrentFileViewSynchronizer();
    /// Starts a new current-file synchronizer; the previous one stays registered
    /// with its canvases.
    void newCurrentFile();

    /// The scope chosen last (NoScope until one is).
    ViewSynchronizer::Scope getCurrentEnabledScope() const;
    /// Makes the scope current: its synchronizers are enabled, all others
    /// disabled, and its action is checked.  A value outside 0 to 3 is kept as
    /// it is; it enables no synchronizer and checks no action.
    void enableScope(ViewSynchronizer::Scope scope);
    /// The checkable action choosing the scope; null outside 0 to 3.
    QAction* getEnablementAction(ViewSynchronizer::Scope scope);
    /// Checks the action of the current scope.
    void setActionStates();

    /// Writes the current scope into the INI file fileName (group "ViewSynchronization", key "scope").
    void writeSettings(QString const& fileName);
    /// Reads the scope (the window scope when the file has none) and enables it.
    void readSettings(QString const& fileName);

public slots:
    /// enableScope() of one scope; the actions of getEnablementAction() are connected to these.
    ///@{
    void enableApplicationScope();
    void enableFileScope();
    void enableWindowScope();
    void enableNone();
    ///@}

protected:
    /// Use getInstance(): creates the scope actions, no scope chosen yet.
    ViewSynchronizationOrganizer();
    /// Deletes every synchronizer still registered.
    ~ViewSynchronizationOrganizer() override;

    /// The registered synchronizers per scope, the two the organizer owns, the current scope and the
    /// scope actions (owned, created with the organizer).
    ///@{
    QMap<ViewSynchronizer::Scope, QSet<ViewSynchronizer*>> synchronizers;
    ViewSynchronizer* applicationViewSynchronizer = nullptr;
    ViewSynchronizer* currentFileViewSynchronizer = nullptr;
    ViewSynchronizer::Scope currentScope = ViewSynchronizer::NoScope;
    QActionGroup* actionGroup = nullptr;
    QAction* applicationScopeAction = nullptr;
    QAction* fileScopeAction = nullptr;
    QAction* windowScopeAction = nullptr;
    QAction* noScopeAction = nullptr;
    ///@}

private:
    Q_DISABLE_COPY(ViewSynchronizationOrganizer)
};

#endif
