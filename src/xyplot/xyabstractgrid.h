#ifndef ZEBPLOT_XYABSTRACTGRID_H
#define ZEBPLOT_XYABSTRACTGRID_H

#include "zebplot_export.h"
#include "plottypes.h"

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;
class XYScale;

/// The grid of one axis of a canvas.
///
/// A grid works out where the ticks of its axis lie for the canvas's current
/// view, draws the grid lines on the canvas background, formats the tick labels
/// and either draws them inside the plot area or hands them, together with the
/// tick positions, to the axis scale attached to it.  It is a widget only so that
/// it has a parent that owns it and can take part in signals and slots; it is
/// never laid out and never paints itself - the canvas hands it a painter.
///
/// The orientation names the direction of the grid lines: VERTICAL (0) for the
/// x-axis grid, HORIZONTAL (1) for the y-axis grid.
///
/// The four doubles of drawGrid, drawLabels and getLabel's callers are always
/// the view bounds in the order minimum x, minimum y, maximum x, maximum y.
class ZEBPLOT_EXPORT XYAbstractGrid : public QWidget
{
    Q_OBJECT

public:
    /// A grid of VERTICAL lines (x axis) or HORIZONTAL lines (y axis), owned by parent.  It hides
    /// itself and lets the mouse through.  Labels go inside the plot (LABEL_IN_PLOT) until set otherwise.
    XYAbstractGrid(E_ORIENTATION_TYPE orientation, QWidget* parent);
    ~XYAbstractGrid() override;

    /// Draws the grid lines into the painter's viewport for the view bounds given (world units).
    /// The order of these virtual functions is part of the binary interface:
    /// derived grids (the time axis grid among them) rely on it.
    virtual void drawGrid(QPainter* painter, double minX, double minY, double maxX, double maxY) = 0;
    /// Makes the tick labels, draws them inside the plot (LABEL_IN_PLOT, LABEL_BOTH) and hands ticks
    /// and labels to the attached scale.  The canvas calls it after both grids, before the data.
    virtual void drawLabels(QPainter* painter, double minX, double minY, double maxX, double maxY) = 0;
    /// Text of one tick value with the given number of decimals.
    virtual QString getLabel(double value, int decimals) = 0;

    /// Stores where tick labels go and passes the same value on to the attached
    /// scale.  Nothing is repainted: the plot resizes its scales afterwards.
    void setLabelType(E_LABEL_TYPE type);
    /// Where tick labels go (LABEL_IN_PLOT by default).
    E_LABEL_TYPE getLabelType() const;

    /// The direction of the grid lines given at construction.
    E_ORIENTATION_TYPE getOrientation() const;

    /// The scale fed by this grid; not owned.  The plot attaches it when it
    /// creates the scale and clears it (nullptr) before deleting the scale.
    void setScale(XYScale* scale);
    /// The attached scale, or null.
    XYScale* getScale() const;

    /// Pen colour of the grid lines and of labels drawn inside the plot area.
    void setGridColor(const QColor& color);
    /// Qt::lightGray by default.
    QColor getGridColor() const;

    /// Hidden grid lines are not drawn; the ticks still reach the scale.
    void setGridLinesHidden(bool hidden);
    /// false by default.
    bool areGridLinesHidden() const;

    /// Decimals of the tick labels of the last drawLabels.
    int getNumberOfDecimals() const;

signals:
    /// A y-axis grid emits this from drawLabels when the number of decimals of
    /// its labels changes, because the y-axis scale must then change its width.
    void numberOfDecimalsChanged();

protected:
    /// The state behind the accessors above.
    ///@{
    E_ORIENTATION_TYPE orientation;
    E_LABEL_TYPE labelType = LABEL_IN_PLOT;
    QColor gridColor = QColor(Qt::lightGray);
    XYScale* scale = nullptr;
    int numberOfDecimals = 0;
    bool gridLinesHidden = false;
    ///@}
};

#endif
