#ifndef ZEBPLOT_LINEARGRID_H
#define ZEBPLOT_LINEARGRID_H

#include "zebplot_export.h"
#include "xyabstractgrid.h"

#include <QList>
#include <QString>

/// A grid with linear ticks at 1, 2 or 5 times a power of ten, four to ten of
/// them across the axis.
///
/// Ticks are recomputed from the view bounds and the painter's viewport at every
/// drawGrid and drawLabels.  Tick positions are pixels along the axis, counted
/// from the left edge (x-axis grid) or the bottom edge (y-axis grid).
///
/// An axis whose extent is zero, negative or not finite, or a viewport without
/// pixels, has no ticks: no lines are drawn, no labels are made, and the scale
/// is handed a zero spacing and an empty label list.
class ZEBPLOT_EXPORT LinearGrid : public XYAbstractGrid
{
    Q_OBJECT

public:
    /// A linear grid for the x axis (VERTICAL) or the y axis (HORIZONTAL), owned by parent.
    LinearGrid(E_ORIENTATION_TYPE orientation, QWidget* parent);
    ~LinearGrid() override;

    /// Recomputes the ticks and draws the lines (unless hidden) in the grid colour, lineWidth pixels wide;
    /// with LABEL_NONE also hands the ticks to the scale.
    void drawGrid(QPainter* painter, double minX, double minY, double maxX, double maxY) override;
    /// Formats one label per tick with as many decimals as the spacing needs (a y-axis grid emits
    /// numberOfDecimalsChanged() when that changes), draws them in the plot when wanted and hands
    /// them to the scale.  Does nothing for LABEL_NONE.
    void drawLabels(QPainter* painter, double minX, double minY, double maxX, double maxY) override;
    /// The value rounded to decimals (-1 meaning 1) in the default locale's
    /// fixed-point notation with digit grouping; a text of 26 characters or more
    /// is replaced by exponent notation.
    QString getLabel(double value, int decimals) override;
    /// Works out tickSpacing and tickOffset for the painter's viewport and
    /// remembers the viewport size.
    virtual void computeParameters(QPainter* painter, double minX, double minY, double maxX, double maxY);

    /// Pixels between major ticks and pixel position of the first one, from the last computation; 0
    /// when the axis has no ticks.
    ///@{
    double getTickSpacing() const;
    double getTickOffset() const;
    ///@}
    /// Size in pixels of the viewport of the last computation.
    ///@{
    int getViewportWidth() const;
    int getViewportHeight() const;
    ///@}
    /// Labels of the last drawLabels, one per tick from tickOffset onwards.
    const QList<QString>* getLabels() const;

protected:
    /// True when the last computeParameters produced usable ticks.
    bool hasTicks() const;
    /// What drawGrid and drawLabels do first: set the window to the viewport's pixels, colour the pen
    /// and compute the ticks.  Returns the caller's window, to be restored at the end.
    QRect beginPass(QPainter* painter, double minX, double minY, double maxX, double maxY);

    /// The results of the last computation; labels is owned by the grid.
    ///@{
    int viewportWidth = 0;
    int viewportHeight = 0;
    double tickOffset = 0.0;
    double tickSpacing = 0.0;
    QList<QString>* labels;
    ///@}

private:
    Q_DISABLE_COPY(LinearGrid)
};

#endif
