#include "verticalscrollbar.h"

#include "memleaktracer.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {
const int kRepeatInitialDelayMs = 500;
const int kRepeatIntervalMs = 50;
} // namespace

VerticalScrollBar::VerticalScrollBar(QWidget* parent) : QScrollBar(parent)
{
    MemLeakTracer::getInstance()->doAllocateObject("VerticalScrollBar");
    setInvertedControls(false);
    setInvertedAppearance(true);
    setOrientation(Qt::Vertical);
}

VerticalScrollBar::~VerticalScrollBar()
{
    MemLeakTracer::getInstance()->doDeallocateObject("VerticalScrollBar");
}

void VerticalScrollBar::mousePressEvent(QMouseEvent* event)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    // QPointF::toPoint rounds half away from zero.
    const QStyle::SubControl hit =
        style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, event->position().toPoint(), this);

    // The arrows and page areas stay where the style draws them (SubLine on
    // top), while the value grows upwards: each area gets the action that
    // moves the handle towards it.
    SliderAction action = SliderNoAction;
    switch (hit) {
    case QStyle::SC_ScrollBarAddLine:
        action = SliderSingleStepSub;
        break;
    case QStyle::SC_ScrollBarSubLine:
        action = SliderSingleStepAdd;
        break;
    case QStyle::SC_ScrollBarAddPage:
        action = SliderPageStepSub;
        break;
    case QStyle::SC_ScrollBarSubPage:
        action = SliderPageStepAdd;
        break;
    default:
        QScrollBar::mousePressEvent(event);
        return;
    }
    triggerAction(action);
    setRepeatAction(action, kRepeatInitialDelayMs, kRepeatIntervalMs);
    event->accept();
}

void VerticalScrollBar::mouseReleaseEvent(QMouseEvent* event)
{
    setRepeatAction(SliderNoAction, kRepeatInitialDelayMs, kRepeatIntervalMs);
    // A handle drag was started by the standard handling; only it can end the
    // drag, otherwise the handle would stay down after the release.
    if (isSliderDown())
        QScrollBar::mouseReleaseEvent(event);
    else
        event->accept();
}
