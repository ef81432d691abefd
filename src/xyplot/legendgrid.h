#ifndef ZEBPLOT_LEGENDGRID_H
#define ZEBPLOT_LEGENDGRID_H

#include <Qt>

#include <vector>

class QGridLayout;
class QWidget;

/// The grid layout of a legend whose widgets live on from one rebuild to the
/// next.  A legend with a thousand entries is rebuilt whenever a series is
/// added; recreating its widgets, or moving them one by one (a layout finds a
/// widget by a linear search), made adding an entry cost as much as the whole
/// legend.  place() therefore adds only the widgets that are new when the
/// existing ones keep their cells (the usual case: rows added at the end),
/// and otherwise moves the existing layout items into a fresh grid, which
/// touches neither the widgets nor their order.
///
/// Internal to the legends; not exported.
class LegendGrid
{
public:
    /// One widget and the cells it covers.
    struct Cell
    {
        QWidget* widget;
        int row;
        int column;
        int rowSpan = 1;
        int columnSpan = 1;
        Qt::Alignment alignment = {};
    };

    /// A grid for the children of owner, with the given spacings and the same
    /// contents margin on all four sides.
    LegendGrid(QWidget* owner, int spacing, int horizontalSpacing, int margin);

    LegendGrid(LegendGrid const&) = delete;
    LegendGrid& operator=(LegendGrid const&) = delete;

    /// Puts the widgets into the cells given, in this order.  Every widget must
    /// be a child of the owner; widgets of an earlier call that are not listed
    /// any more must have been deleted.
    void place(std::vector<Cell> const& cells);

    /// The owner's layout.
    QGridLayout* layout() const;

private:
    QGridLayout* createLayout();

    QWidget* owner;
    int spacing;
    int horizontalSpacing;
    int margin;
    QGridLayout* grid;
    // The cells of the last call, in layout order; the widget pointers of
    // deleted widgets are never followed, only the positions are compared.
    std::vector<Cell> placed;
};

#endif
