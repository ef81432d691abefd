#ifndef ZEBPLOT_COLORBARDRAWLISTENER_H
#define ZEBPLOT_COLORBARDRAWLISTENER_H

#include "zebplot_export.h"

#include "look.h"
#include "xydatasetdrawlistener.h"

#include <QList>
#include <QSet>

/// Sits on a colour-bar data set and records, per pixel column, whether the bar
/// showed an appearance the user switched off in the legend.  A
/// ViewportMaskFilter on another data set reads these masks to hide that data
/// set's points wherever the bar showed a switched-off appearance.
class ZEBPLOT_EXPORT ColorBarDrawListener : public XYDataSetDrawListener
{
    Q_OBJECT

public:
    /// What was drawn in one pixel column of the bar.
    enum MaskValue {
        Uninitialized = 0, ///< nothing drawn yet
        Show = 1,          ///< only shown appearances
        Hide = 2,          ///< only switched-off appearances
        Partial = 3        ///< both
    };
    Q_ENUM(MaskValue)

    /// A listener for a colour-bar data set; install it with XYDataSet::setDrawListener().  No
    /// appearance is switched off at first.
    ColorBarDrawListener(XYDataSet* colorBarDataSet, QObject* parent = nullptr);
    ~ColorBarDrawListener() override;

    /// Whether the user switched lookEntry off (filterEntry()).
    bool isFiltered(Look::Entry lookEntry);
    /// The appearance of the colour-bar point at index is switched off.
    bool decideToExcludeDataPoint(int index);
    /// Records the column of a drawn bar point (columns 1..9999 only).
    void drawingDataPoint(int index, int viewportX) override;
    /// The mask of a column; Uninitialized outside the recorded columns.
    ColorBarDrawListener::MaskValue excludeDataPointsAtViewportX(int viewportX);
    /// Decides exactly, by the bar point nearest in x to worldX.
    bool excludeDataPointAtWorldX(double worldX);

public slots:
    /// enabled true switches lookEntry off, false switches it on again.
    void filterEntry(Look::Entry lookEntry, bool enabled);
    /// Empties the mask; it is refilled while the bar is drawn again.
    void clearCache();

protected:
    /// The switched-off appearances and the mask per pixel column, filled while the bar is drawn.
    ///@{
    QSet<Look::Entry> filteredEntries;
    QList<ColorBarDrawListener::MaskValue> mask;
    ///@}
};

#endif
