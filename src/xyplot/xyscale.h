#ifndef ZEBPLOT_XYSCALE_H
#define ZEBPLOT_XYSCALE_H

#include "zebplot_export.h"
#include "plottypes.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <utility>

class QPainter;
class QPaintEvent;

/// The axis strip beside the canvas: major and minor tick marks of one axis
/// and, for LABEL_ON_SCALE and LABEL_BOTH, the tick labels.
///
/// The scale computes nothing itself.  The grid of the same axis hands it the
/// tick spacing, the position of the first tick, the number of minor intervals
/// and the label texts at every background repaint (drawScale), and the scale
/// repaints only when something changed.  Positions are pixels along the strip,
/// from the left edge for the x-axis scale (orientation VERTICAL) and from the
/// bottom edge for the y-axis scale (orientation HORIZONTAL).
///
/// The y-axis scale reaches extraLength (18) pixels further down than the
/// canvas, down to the bottom of the row of the horizontal scroll bar beside
/// which the plot places it, so it shifts every position it is given by that
/// much to keep its ticks level with the grid lines.
///
/// Besides the ticks the scale can show texts at fixed positions and leave out
/// ticks and labels inside given pixel intervals.  None of the operations that
/// change those repaints; the plot repaints after a batch of changes.
class ZEBPLOT_EXPORT XYScale : public QWidget
{
    Q_OBJECT

public:
    /// A scale for the x axis (VERTICAL) or the y axis (HORIZONTAL, which then reaches extraLength
    /// pixels below the canvas); onTop: an x-axis scale above the canvas, its ticks rising from
    /// its bottom edge next to the canvas.
    /// Shows nothing until the grid hands it ticks.
    XYScale(E_ORIENTATION_TYPE orientation, E_LABEL_TYPE labelType, bool onTop, QWidget* parent);
    ~XYScale() override;

    /// Takes over the ticks of the grid and repaints when the spacing, the
    /// offset, the minor count or a label text changed, or when the scale holds
    /// no labels.  A null label list counts as an empty one.
    void drawScale(double spacing, double offset, int minorIntervals, QList<QString>* labels);

    /// Draws ticks, labels and fixed labels into the painter's viewport.  The
    /// colour is that of the painter's pen; nothing is filled.
    void paint(QPainter* painter);

    /// Appends the closed interval [from, to] in which neither ticks nor labels are drawn.
    void addIntervalToHideScale(int from, int to);
    /// Forgets every hide interval (no repaint).
    void clearIntervalsToHideScale();
    /// True when some hide interval overlaps [position - halfWidth, position + halfWidth].
    bool mustHideScale(int position, int halfWidth) const;

    /// Adds a text written at a pixel position along the y-axis scale (from the bottom, like ticks),
    /// such as the name of a data set drawn at a fixed height (no repaint).
    void addLabelAtFixedPosition(int position, QString text);
    /// Forgets every fixed label (no repaint).
    void clearLabelsAtFixedPosition();
    /// Width the y-axis scale needs for its fixed labels: tick allowance plus
    /// the widest text.  0 for the x-axis scale or without fixed labels.
    int getRequiredWidthForLabelsAtFixedPosition() const;

    /// Construction values (label type as last set).
    ///@{
    E_ORIENTATION_TYPE getOrientation() const;
    E_LABEL_TYPE getLabelType() const;
    ///@}
    /// Stores the label type without repainting (the grid forwards its own here).
    void setLabelType(E_LABEL_TYPE type);
    /// Whether an x-axis scale sits above the canvas.
    bool isOnTop() const;
    /// Pixels the y-axis scale reaches below the canvas (18); 0 for the x-axis scale.
    int getExtraLength() const;
    /// Pixels between major ticks, as last handed over by the grid; 0 when the axis has no ticks.
    double getTickSpacing() const;
    /// Position of the first major tick as held, that is already shifted by
    /// extraLength on the y-axis scale.
    double getTickOffset() const;
    /// Minor intervals per major tick interval, as handed over.
    int getMinorIntervals() const;
    /// Label texts of the major ticks from the first onwards, as handed over.
    const QList<QString>& getLabels() const;
    /// The hide intervals as (from, to) pixel pairs.
    const QList<std::pair<int, int>>& getHideIntervals() const;
    /// The fixed labels as (pixel position, text) pairs.
    const QList<std::pair<int, QString>>& getLabelsAtFixedPosition() const;

protected:
    /// Paints the scale onto the widget with paint(); the background is left to Qt.
    void paintEvent(QPaintEvent* event) override;

    /// Draws the fixed labels; the last step of paint.
    void paintLabelsAtFixedPosition(QPainter* painter, int width, int height);

    /// The state behind the getters above.
    ///@{
    E_ORIENTATION_TYPE orientation;
    E_LABEL_TYPE labelType;
    QList<QString> labels;
    double tickSpacing = 0.0;
    double tickOffset = 0.0;
    int minorIntervals = 0;
    bool onTop;
    int extraLength = 0;
    QList<std::pair<int, int>> hideIntervals;
    QList<std::pair<int, QString>> fixedLabels;
    ///@}
};

#endif
