#ifndef ZEBPLOT_CANDIDATECOLUMNS_H
#define ZEBPLOT_CANDIDATECOLUMNS_H

#include <QtGlobal>

/// The candidates of one hit-test cell seen as pixel columns, for the
/// canvas's hit test (not part of the library's interface).  The cell lists
/// data indices in increasing order and x never decreases with the index, so
/// the columns never decrease along the list and the candidates of one column
/// are neighbours in it: where the mouse's column sits and how far a column
/// reaches are found by searching, without reading the whole list.
class CandidateColumns
{
public:
    /// Beyond this many pixels from the viewport the rounding to pixels means
    /// nothing (and may overflow); such points cannot be hit.
    static constexpr double kFar = 1e9;

    /// cells: count (> 0) data indices, each below size, in increasing order;
    /// xValues: the data set's x values, non-decreasing; the pixel column of
    /// a value is round((value - minX) * xFactor), xFactor > 0.
    CandidateColumns(int const* cells, int count, int size, double const* xValues, double minX, double xFactor);

    /// How many candidates the list holds.
    int count() const { return listed; }
    /// The data index at list position k.
    int index(int k) const { return cells[k]; }
    /// The pixel column of list position k.
    int column(int k) const { return qRound(pixelX(k)); }
    /// False when the first or last candidate lies so far outside the
    /// viewport that its column cannot be rounded meaningfully.
    bool roundable() const;
    /// The first list position whose column is at or right of pixel column
    /// x; count() when there is none.
    int firstAtOrRightOf(int x) const;
    /// The other end of the column holding list position k: its last
    /// position (direction 1) or its first one (direction -1).  guessLength,
    /// the length of the column last visited on that side, is where the
    /// search starts: neighbouring columns tend to hold as many points.
    int columnEnd(int k, int direction, int guessLength) const;

private:
    double pixelX(int k) const { return (xValues[cells[k]] - minX) * xFactor; }

    int const* cells;
    int listed;
    int size;
    double const* xValues;
    double minX;
    double xFactor;
};

#endif
