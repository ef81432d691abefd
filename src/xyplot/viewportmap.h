#ifndef ZEBPLOT_VIEWPORTMAP_H
#define ZEBPLOT_VIEWPORTMAP_H

#include <QList>

#include <algorithm>

/// A coarse spatial index over a pixel area: the area is cut into columns x rows
/// cells and an item is entered into every cell within `radius` pixels of its
/// position, so that a hit test only looks at the items of the one cell under
/// the mouse.  Coordinates have y growing downwards from the top edge.
template<typename T>
class ViewportMap
{
public:
    /// A map over width x height pixels cut into columns x rows cells; items are entered into
    /// every cell within radius pixels of their position.
    ViewportMap(int width, int height, int radius, int columns, int rows)
        : width(width), height(height), radius(radius), columns(columns), rows(rows)
    {
        clearData();
    }

    /// Empties every cell and recomputes the cell size; a negative size or a
    /// grid without cells leaves a map with zero cell sizes that ignores items.
    void clearData()
    {
        cells.clear();
        cellWidth = 0;
        cellHeight = 0;
        if (width < 0 || height < 0 || columns < 1 || rows < 1)
            return;
        cellWidth = (width + columns - 1) / columns;
        cellHeight = (height + rows - 1) / rows;
        cells = QList<QList<QList<T>>>(columns, QList<QList<T>>(rows));
    }

    /// Enters item into the cells within radius of (x, y); a position outside the area is ignored.
    void addItem(T const& item, int x, int y)
    {
        if (cellWidth == 0 || cellHeight == 0 || x < 0 || y < 0 || x >= width || y >= height)
            return;
        if (radius < 1) {
            cells[x / cellWidth][y / cellHeight].append(item);
            return;
        }
        const int c0 = std::max(x - radius, 0) / cellWidth;
        const int c1 = std::min(width - 1, x + radius) / cellWidth;
        const int r0 = std::max(y - radius, 0) / cellHeight;
        const int r1 = std::min(height - 1, y + radius) / cellHeight;
        for (int column = c0; column <= c1; ++column)
            for (int row = r0; row <= r1; ++row)
                cells[column][row].append(item);
    }

    /// The items of the cell containing (x, y), in the order they were entered;
    /// empty outside the area or for an unusable map.
    QList<T> itemsAt(int x, int y) const
    {
        if (cellWidth == 0 || cellHeight == 0 || x < 0 || y < 0 || x >= width || y >= height)
            return {};
        return cells[x / cellWidth][y / cellHeight];
    }

    /// The geometry given at construction and the cell size derived from it, in pixels
    /// (cell sizes are 0 for an unusable map).
    ///@{
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getCellWidth() const { return cellWidth; }
    int getCellHeight() const { return cellHeight; }
    int getColumns() const { return columns; }
    int getRows() const { return rows; }
    ///@}
    /// Items of cell [column][row]; the indices must be within the grid.
    QList<T> const& cell(int column, int row) const { return cells[column][row]; }

protected:
    /// Geometry and cells indexed [column][row], each listing its items in entry order.
    ///@{
    int width;
    int height;
    int radius;
    int columns;
    int rows;
    int cellWidth = 0;
    int cellHeight = 0;
    QList<QList<QList<T>>> cells;
    ///@}
};

#endif
