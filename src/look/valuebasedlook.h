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
    struct ValuedEntry
    {
        double value = 0.0;
        Look::Entry entry;
    };

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
    bool getUseInterpolation() const;
    void setUseInterpolation(bool useInterpolation);
    /// The table row nearest to value (ties to the lower row); 0 below the
    /// first row, -1 for an empty table or NaN.
    int searchNearestIndex(double value) const;

public slots:
    void registerLastLookEntryPresence();

protected:
    QList<ValueBasedLook::ValuedEntry> table;
    bool useInterpolation = false;
    mutable double lastSearchedValue;
    mutable int lastSearchResult = -1;
};

#endif
