#ifndef ZEBPLOT_VIEWSYNCHRONIZER_H
#define ZEBPLOT_VIEWSYNCHRONIZER_H

#include "zebplot_export.h"

#include "bounds.h"

#include <QObject>
#include <QSet>

class XYCanvas;

/// Keeps the views of a set of canvases in step.
///
/// When the user zooms, drags or scrolls one canvas, every other canvas of the
/// set takes over its horizontal range, its vertical range or both (as chosen at
/// construction); when one canvas starts following its data or shows all of it,
/// the others do the same.  View changes that a canvas makes on its own to follow
/// its data are not copied: each following canvas follows its own data.
///
/// Every synchronizer belongs to a scope and registers with the process-wide
/// ViewSynchronizationOrganizer, which enables exactly the synchronizers of the
/// scope the user has chosen.  The canvases are not owned; a destroyed canvas
/// leaves the set by itself.
class ZEBPLOT_EXPORT ViewSynchronizer : public QObject
{
    Q_OBJECT

public:
    /// Which plots are kept in step.  The underlying type is fixed so that any
    /// integer read from a settings file can be held (values outside 0 to 3
    /// stand for no scope at all).
    enum Scope : int {
        ApplicationScope = 0,  ///< all plots
        FileScope = 1,         ///< the plots of the same file
        WindowScope = 2,       ///< the plots of one view or window
        NoScope = 3            ///< no synchronization; no synchronizer has it
    };
    Q_ENUM(Scope)

    /// Registers the synchronizer with the organizer, which decides whether it
    /// starts enabled.  NoScope is a programming error.
    ViewSynchronizer(QObject* parent, ViewSynchronizer::Scope scope, bool horizontal, bool vertical);
    /// Unregisters from the organizer; the canvases stay.
    ~ViewSynchronizer() override;

    /// Adds a canvas to the set; adding a canvas twice or a null pointer does
    /// nothing.
    void addCanvas(XYCanvas* canvas);
    /// Removes a canvas and every connection from it to the synchronizer.
    void removeCanvas(XYCanvas* canvas);

    /// The canvases of the set (not owned).
    QSet<XYCanvas*> getCanvasses();
    /// The scope given at construction.
    Scope getScope() const;
    /// Whether views are copied now; the organizer switches this with the current scope.
    bool isEnabled() const;
    /// Whether the x range, the y range, or both are copied (construction values).
    ///@{
    bool isHorizontal() const;
    bool isVertical() const;
    ///@}

signals:
    /// setEnabled() changed the state.
    void enabledChanged(bool enable);

public slots:
    /// Drops a destroyed canvas from the set; connected to each canvas's destroyed().
    void reactToCanvasDestroyed();
    /// Enabling a synchronizer aligns all its canvases to the one the user
    /// changed last (the first of the set when there is none).
    void setEnabled(bool enable);
    /// Copies the sending canvas's view to the others while enabled, unless the change came from its
    /// own data following (or from the synchronizer itself).  Connected to viewBoundsChanged().
    void processViewBoundsChange();
    /// Spread a switch of the sending canvas to Follow or Full to the others, in a direction the
    /// synchronizer copies.  Connected to the canvases' policy signals.
    ///@{
    void processHorizontalViewBoundsUpdatePolicyChange();
    void processVerticalViewBoundsUpdatePolicyChange();
    ///@}

protected:
    /// The state behind the accessors above.
    ///@{
    QSet<XYCanvas*> canvasses;
    Scope scope;
    bool enabled = false;
    bool horizontal;
    bool vertical;
    ///@}
    /// True while the synchronizer itself changes canvases: the signals those
    /// changes cause must not be copied back.
    bool busy = false;
    /// The canvas whose update policy was last switched to following; its next
    /// view change is copied even if its range did not change.
    XYCanvas* policyCanvas = nullptr;
    /// The canvas the user navigated or switched the policy of last (changes
    /// made by a synchronizer or by following data do not count), remembered
    /// also while disabled: enabling aligns the others to it.
    XYCanvas* lastTouchedCanvas = nullptr;

private:
    // The canvas that sent the signal being handled, or null for other senders.
    XYCanvas* senderCanvas() const;
    // Copies a switch to following or showing everything to the other canvases.
    void spreadPolicyChange(Bounds::Direction direction);
    // Gives the other canvases the source's view in the chosen directions,
    // keeping them following where the source follows.
    void copyView(XYCanvas* source, bool horizontally, bool vertically);

    Q_DISABLE_COPY(ViewSynchronizer)
};

#endif
