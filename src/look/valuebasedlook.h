#ifndef ZEBPLOT_VALUEBASEDLOOK_H
#define ZEBPLOT_VALUEBASEDLOOK_H

#include "zebplot_export.h"

#include "look.h"

#include <QList>

/// A Look whose appearance follows the y value of each point through a table
/// of value -> appearance rows, optionally interpolated between rows (a colour
/// scale).  Typical use: a status series whose values each select a colour and
/// a legend text.
///
/// The appearances that occur are tracked by registering the appearance of the
/// newest point whenever it changes; older points that never were the newest
/// are not looked at.
class ZEBPLOT_EXPORT ValueBasedLook : public Look
{
    Q_OBJECT

public:
    /// One table row: the appearance of points whose y value is value.
    struct ValuedEntry
    {
        double value = 0.0;   ///< y value, data units
        Look::Entry entry;    ///< appearance at that value
    };

    /// An empty table; the default appearance applies to values without a row.  Installs itself in
    /// dataSet like Look and watches its y array, so that an append that changes the newest
    /// appearance emits lastAppearanceChanged().
    ValueBasedLook(XYDataSet* dataSet, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    ~ValueBasedLook() override;

    bool isChanged(int index) override;
    bool isFixedSingleColor() const override;
    Look::Entry getApplicableLookEntry(int index) override;
    /// Present entries only grow through registerLastLookEntryPresence().
    void fillPresentLookEntries() override;

    /// Adds a row, replacing a row with the same value; a non-empty legend text
    /// becomes a colour-only legend text.
    void addTableEntry(double value, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness,
                       QString legendText);
    /// A row with the look's default symbol, pen style and thickness.
    void addTableEntry(double value, QColor color, QString legendText);
    /// Off (the default): a value takes the appearance of the row it equals (within a tiny tolerance),
    /// else the default.  On: values between two rows get colour and thickness interpolated between
    /// them (a colour scale); values beyond the first or last row take that row's appearance.
    ///@{
    bool getUseInterpolation() const;
    void setUseInterpolation(bool useInterpolation);
    ///@}
    /// The table row nearest to value (ties to the lower row); 0 below the
    /// first row, -1 for an empty table or NaN.
    int searchNearestIndex(double value) const;

public slots:
    /// Registers the newest point's appearance as present; connected to lastAppearanceChanged().
    void registerLastLookEntryPresence();

protected:
    /// The rows in increasing value order, the interpolation switch and the last search (a run of
    /// equal values costs one search).
    ///@{
    QList<ValueBasedLook::ValuedEntry> table;
    bool useInterpolation = false;
    mutable double lastSearchedValue;
    mutable int lastSearchResult = -1;
    ///@}
};

#endif
