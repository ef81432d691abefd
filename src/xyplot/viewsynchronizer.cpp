#include "viewsynchronizer.h"

#include "bounds.h"
#include "dbg.h"
#include "memleaktracer.h"
#include "viewsynchronizationorganizer.h"
#include "xycanvas.h"

#include <cmath>

// How the synchronizer stays out of loops.
//
// Copying a view to another canvas makes that canvas emit viewBoundsChanged
// (and, through zoomTo, a policy change) synchronously, while the handler that
// copies is still running.  The busy flag makes every handler ignore those
// signals, so one user action changes each canvas once and nothing bounces back.
//
// The canvas tells data following apart from user navigation
// (viewBoundsChangeCausedByPolicy): only the latter is copied.  The exception is
// a canvas that has just been switched to following its data: its next view
// change is copied even when the range stayed the same, so that the other
// canvases, switched to following as well, start from the same range.
//
// Policies are shared only when a canvas starts following or shows all data:
// locking a view or going manual stays a decision of that one plot.

namespace {

bool rangeDiffers(double lo, double hi, double previousLo, double previousHi)
{
    // A NaN on either side never compares equal and so counts as a change.
    return !(lo == previousLo) || !(hi == previousHi);
}

bool rangeValid(double lo, double hi)
{
    return !std::isnan(lo) && !std::isnan(hi);
}

} // namespace

XYCanvas* ViewSynchronizer::senderCanvas() const
{
    XYCanvas* canvas = qobject_cast<XYCanvas*>(sender());
    if (!canvas || !canvasses.contains(canvas))
        return nullptr;
    return canvas;
}

QSet<XYCanvas*> ViewSynchronizer::getCanvasses()
{
    return canvasses;
}

ViewSynchronizer::Scope ViewSynchronizer::getScope() const
{
    return scope;
}

bool ViewSynchronizer::isEnabled() const
{
    return enabled;
}

bool ViewSynchronizer::isHorizontal() const
{
    return horizontal;
}

bool ViewSynchronizer::isVertical() const
{
    return vertical;
}

ViewSynchronizer::~ViewSynchronizer()
{
    ViewSynchronizationOrganizer::getInstance()->remove(this);
    MemLeakTracer::getInstance()->doDeallocateObject("ViewSynchronizer");
}

ViewSynchronizer::ViewSynchronizer(QObject* parent, ViewSynchronizer::Scope scope, bool horizontal,
                                   bool vertical)
    : QObject(parent), scope(scope), horizontal(horizontal), vertical(vertical)
{
    MemLeakTracer::getInstance()->doAllocateObject("ViewSynchronizer");
    // A synchronizer of no scope could never be enabled: the organizer enables
    // the synchronizers of the chosen scope, and choosing no scope means that
    // none is enabled.  Its canvases would silently stay apart, so creating one
    // is a programming error; the organizer never learns of it.
    if (scope == NoScope) {
        ZEB_ASSERT("ViewSynchronizer", "ViewSynchronizer cannot have 'None' scope!");
        return;
    }
    ViewSynchronizationOrganizer::getInstance()->add(this);
}

void ViewSynchronizer::addCanvas(XYCanvas* canvas)
{
    if (!canvas || canvasses.contains(canvas))
        return;
    canvasses.insert(canvas);
    connect(canvas, SIGNAL(viewBoundsChanged()), this, SLOT(processViewBoundsChange()));
    connect(canvas, SIGNAL(horizontalViewBoundsUpdatePolicyChanged()), this,
            SLOT(processHorizontalViewBoundsUpdatePolicyChange()));
    connect(canvas, SIGNAL(verticalViewBoundsUpdatePolicyChanged()), this,
            SLOT(processVerticalViewBoundsUpdatePolicyChange()));
    connect(canvas, SIGNAL(destroyed()), this, SLOT(reactToCanvasDestroyed()));
}

void ViewSynchronizer::removeCanvas(XYCanvas* canvas)
{
    if (!canvas)
        return;
    canvasses.remove(canvas);
    if (policyCanvas == canvas)
        policyCanvas = nullptr;
    if (lastTouchedCanvas == canvas)
        lastTouchedCanvas = nullptr;
    disconnect(canvas, nullptr, this, nullptr);
}

void ViewSynchronizer::reactToCanvasDestroyed()
{
    // The canvas part of the sender is already gone: compare addresses only.
    QObject* gone = sender();
    if (!gone)
        return;
    for (auto it = canvasses.begin(); it != canvasses.end(); ++it) {
        if (static_cast<QObject*>(*it) == gone) {
            if (policyCanvas == *it)
                policyCanvas = nullptr;
            if (lastTouchedCanvas == *it)
                lastTouchedCanvas = nullptr;
            canvasses.erase(it);
            disconnect(gone, nullptr, this, nullptr);
            return;
        }
    }
}

void ViewSynchronizer::setEnabled(bool enable)
{
    if (enable == enabled)
        return;
    enabled = enable;
    emit enabledChanged(enable);
    if (!enabled || canvasses.isEmpty())
        return;
    // Align everything to the canvas the user changed last: its view is the
    // one in mind when synchronization is asked for.  It announces its policies
    // and its view as if they had just changed, and the handlers spread them:
    // a policy of following or showing everything, and the view of a canvas
    // that follows its data.  A view set by hand has not changed since it was
    // last announced, so the handler would not pass it on; it is copied here.
    XYCanvas* source = canvasses.contains(lastTouchedCanvas) ? lastTouchedCanvas : *canvasses.cbegin();
    source->forceEmitViewTransformSignals();
    if (!enabled || !canvasses.contains(source))
        return;
    const Bounds view = source->getViewBounds();
    // A canvas showing everything keeps doing so: each shows all of its own data.
    busy = true;
    copyView(source,
             horizontal && rangeValid(view.minX, view.maxX)
                 && source->getHorizontalViewBoundsUpdatePolicy() != XYCanvas::FullViewBounds,
             vertical && rangeValid(view.minY, view.maxY)
                 && source->getVerticalViewBoundsUpdatePolicy() != XYCanvas::FullViewBounds);
    busy = false;
}

void ViewSynchronizer::processViewBoundsChange()
{
    if (busy)
        return;
    XYCanvas* source = senderCanvas();
    if (!source)
        return;
    if (!source->viewBoundsChangeCausedByPolicy())
        lastTouchedCanvas = source;
    if (!enabled)
        return;
    busy = true;

    const Bounds view = source->getViewBounds();
    const Bounds previous = source->getPreviouslyEmittedViewBounds();
    const bool byUser = !source->viewBoundsChangeCausedByPolicy();
    const bool justStartedFollowing = source == policyCanvas;
    const XYCanvas::ViewBoundsUpdatePolicy horizontalPolicy = source->getHorizontalViewBoundsUpdatePolicy();
    const XYCanvas::ViewBoundsUpdatePolicy verticalPolicy = source->getVerticalViewBoundsUpdatePolicy();

    const bool shareHorizontally =
        horizontal && rangeValid(view.minX, view.maxX)
        && ((byUser && rangeDiffers(view.minX, view.maxX, previous.minX, previous.maxX))
            || (justStartedFollowing && horizontalPolicy == XYCanvas::FollowViewBounds));
    const bool shareVertically =
        vertical && rangeValid(view.minY, view.maxY)
        && ((byUser && rangeDiffers(view.minY, view.maxY, previous.minY, previous.maxY))
            || (justStartedFollowing && verticalPolicy == XYCanvas::FollowViewBounds));

    copyView(source, shareHorizontally, shareVertically);

    policyCanvas = nullptr;
    busy = false;
}

void ViewSynchronizer::copyView(XYCanvas* source, bool horizontally, bool vertically)
{
    if (!horizontally && !vertically)
        return;
    const Bounds view = source->getViewBounds();
    const XYCanvas::ViewBoundsUpdatePolicy horizontalPolicy = source->getHorizontalViewBoundsUpdatePolicy();
    const XYCanvas::ViewBoundsUpdatePolicy verticalPolicy = source->getVerticalViewBoundsUpdatePolicy();
    // A copy: nothing below may change the set, but a canvas could in
    // principle be removed by a slot connected to its signals.
    const QSet<XYCanvas*> targets = canvasses;
    for (XYCanvas* target : targets) {
        if (target == source || !canvasses.contains(target))
            continue;
        if (horizontally && vertically)
            target->zoomTo(view);
        else if (horizontally)
            target->zoomToHorizontal(view.minX, view.maxX);
        else
            target->zoomToVertical(view.minY, view.maxY);
        // zoomTo made the target manual; a following source keeps it following.
        if (horizontalPolicy == XYCanvas::FollowViewBounds)
            target->setHorizontalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
        if (verticalPolicy == XYCanvas::FollowViewBounds)
            target->setVerticalViewBoundsUpdatePolicy(XYCanvas::FollowViewBounds, false);
    }
}

void ViewSynchronizer::processHorizontalViewBoundsUpdatePolicyChange()
{
    spreadPolicyChange(Bounds::Horizontal);
}

void ViewSynchronizer::processVerticalViewBoundsUpdatePolicyChange()
{
    spreadPolicyChange(Bounds::Vertical);
}

void ViewSynchronizer::spreadPolicyChange(Bounds::Direction direction)
{
    if (busy || !(direction == Bounds::Horizontal ? horizontal : vertical))
        return;
    XYCanvas* source = senderCanvas();
    if (!source)
        return;
    lastTouchedCanvas = source;
    if (!enabled)
        return;

    policyCanvas = nullptr;
    busy = true;
    const XYCanvas::ViewBoundsUpdatePolicy policy = source->getViewBoundsUpdatePolicy(direction);
    if (policy == XYCanvas::FollowViewBounds)
        policyCanvas = source;
    // Locking or going manual is a per-plot decision; following and showing
    // everything are shared.
    if (policy == XYCanvas::FollowViewBounds || policy == XYCanvas::FullViewBounds) {
        const QSet<XYCanvas*> targets = canvasses;
        for (XYCanvas* target : targets)
            if (target != source && canvasses.contains(target))
                target->setViewBoundsUpdatePolicy(direction, policy, true);
    }
    busy = false;
}
