#include "xyabstractgrid.h"

#include "memleaktracer.h"
#include "xyscale.h"

XYAbstractGrid::XYAbstractGrid(E_ORIENTATION_TYPE orientation, QWidget* parent)
    : QWidget(parent), orientation(orientation)
{
    MemLeakTracer::getInstance()->doAllocateObject("XYAbstractGrid");
    // A grid paints only through the painter the canvas hands it.  Shown as a
    // widget of its own it would sit, empty, over its parent's top-left corner
    // and take the mouse events meant for what lies beneath.
    hide();
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

XYAbstractGrid::~XYAbstractGrid()
{
    MemLeakTracer::getInstance()->doDeallocateObject("XYAbstractGrid");
}

void XYAbstractGrid::setLabelType(E_LABEL_TYPE type)
{
    labelType = type;
    if (scale)
        scale->setLabelType(type);
}

E_LABEL_TYPE XYAbstractGrid::getLabelType() const
{
    return labelType;
}

E_ORIENTATION_TYPE XYAbstractGrid::getOrientation() const
{
    return orientation;
}

void XYAbstractGrid::setScale(XYScale* newScale)
{
    scale = newScale;
}

XYScale* XYAbstractGrid::getScale() const
{
    return scale;
}

void XYAbstractGrid::setGridColor(const QColor& color)
{
    gridColor = color;
}

QColor XYAbstractGrid::getGridColor() const
{
    return gridColor;
}

void XYAbstractGrid::setGridLinesHidden(bool hidden)
{
    gridLinesHidden = hidden;
}

bool XYAbstractGrid::areGridLinesHidden() const
{
    return gridLinesHidden;
}

int XYAbstractGrid::getNumberOfDecimals() const
{
    return numberOfDecimals;
}
