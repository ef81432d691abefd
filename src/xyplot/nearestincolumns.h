#ifndef ZEBPLOT_NEARESTINCOLUMNS_H
#define ZEBPLOT_NEARESTINCOLUMNS_H

#include <QPoint>
#include <QtGlobal>

class BlockMinMaxCache;
class CandidateColumns;

/// The canvas's hit test over a cell of candidates seen as pixel columns
/// (not part of the library's interface): the nearest acceptable candidate
/// is the one with the smallest distance, the earliest in the cell on ties.
/// Columns are visited from the mouse outwards until they are farther away
/// than the best point found; within a column, blocks of values whose rows
/// are all too far away are passed over by their extremes.
class NearestInColumns
{
public:
    /// yValues: the data set's y values; the pixel row (downwards) of a
    /// value is round(yFactor * (value - maxY)).  cache holds the per-block
    /// extremes of yValues.  maxDistance >= 0, in pixels.
    NearestInColumns(CandidateColumns const& columns, double const* yValues, double maxY, double yFactor,
                     BlockMinMaxCache* cache, QPoint mouse, int maxDistance);

    /// The list position of the nearest acceptable candidate, -1 if none.
    int find();
    /// The pixel of what find() returned.
    QPoint point() const;
    /// The distance in pixels from the mouse to what find() returned.
    double distance() const;

private:
    /// A point of one column, or the best so far over all columns.
    struct Nearest
    {
        int position = -1; ///< list position, -1: none yet
        int dx = 0;        ///< pixel distances to the mouse
        int dy = 0;
        int row = 0;
        qint64 distance2 = 0; ///< squared distance (only for the best)
    };

    void visitOutwards();
    void scanColumn(int a, int b, int dx);
    void scanConsecutive(int a, int b, qint64 dx2, Nearest& inColumn) const;
    void consider(int k, int index, Nearest& inColumn) const;
    bool worthLooking(Nearest const& inColumn, qint64 dx2, qint64 lowerDy) const;
    qint64 rowDistanceOfBlock(double lo, double hi) const;

    CandidateColumns const& columns;
    double const* yValues;
    double maxY;
    double yFactor;
    BlockMinMaxCache* cache;
    int mouseX;
    int mouseY;
    int maxDistance;
    qint64 maxDistance2;
    Nearest best;
};

#endif
