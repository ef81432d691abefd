#ifndef ZEBPLOT_LOOKLEGEND_H
#define ZEBPLOT_LOOKLEGEND_H

#include "zebplot_export.h"

#include "look.h"

#include <QColor>
#include <QList>
#include <QFrame>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <QTimer>

class ColorBarDrawListener;
class LegendGrid;
class QCheckBox;
class QLabel;
class XYDataSet;

/// The legend of one data set's appearance entries: a row per entry the look
/// wants in its legend, with a check box, a small symbol picture and the
/// entry's legend text.
///
/// XYLegend creates one for every visible colour-bar data set.  When the data
/// set has a ColorBarDrawListener and its look allows filtering, unchecking an
/// entry switches it off in the listener, which hides the points drawn with
/// that entry (and, through viewport masks, the points of other data sets at
/// the same times); filterChanged() then asks the plot to redraw.  Without a
/// listener, or when the look forbids filtering, the legend only displays: the
/// check boxes exist but are hidden.
class ZEBPLOT_EXPORT LookLegend : public QFrame
{
    Q_OBJECT

public:
    /// A legend of dataSet's look (titled with the data set's name), filtering through the data set's
    /// ColorBarDrawListener if it has one.  Rebuilds at once when an appearance turns up.
    /// Delete it before the data set.
    LookLegend(XYDataSet* dataSet, QWidget* parent);
    ~LookLegend() override;

    LookLegend(LookLegend const&) = delete;
    LookLegend& operator=(LookLegend const&) = delete;

    /// The look shown; owned by its data set.
    Look* getLook();

    /// The symbol picture of one entry: legendIconSize + legendIconMargin wide,
    /// as high as the widget's font, filled with background.
    QPixmap createPixmap(Look::Entry const& entry, QColor background);
    /// Draws the symbol of createPixmap(entry, background) without the
    /// background, its top-left corner at the painter's origin (the
    /// painter's pen changes), and returns that picture's size.
    QSize drawSymbol(QPainter* painter, Look::Entry const& entry);

    /// An HTML table of the look's legend entries (colour swatch and text),
    /// headed by the title when it is not empty; for hosts that show it as a
    /// tool tip.
    static QString generateTooltipText(Look* look, QString const& title);

signals:
    /// Emitted after every change of the listener's filter.
    void filterChanged();

public slots:
    /// Rebuilds the widget from the look's legend entries; the check states
    /// come back from the listener.  The row of an entry lives on from one
    /// rebuild to the next (its text and picture are refreshed when they
    /// changed), so that an appearance turning up costs one row.  Hides
    /// QWidget::update on purpose: a legend "update" is a rebuild.
    void update();
    /// Rebuilds 200 ms after the last of a burst of calls.
    void updateLater();
    /// Applies the sending check box to the listener's filter.
    void toggled(bool checked);

protected:
    /// The widgets of one entry's row and what they show.
    struct Row
    {
        /// The entry, the row's widgets (owned by the legend), the text shown, whether the box is
        /// connected to toggled() and whether it is hidden (no filtering).
        ///@{
        Look::Entry entry;
        QCheckBox* box = nullptr;
        QLabel* picture = nullptr;
        QLabel* label = nullptr;
        QString text;
        bool connected = false;
        bool hidden = false;
        ///@}
        /// What the picture was drawn for, besides the entry.
        ///@{
        int pictureWidth = 0;
        int pictureHeight = 0;
        int penWidth = -1;
        QRgb background = 0;
        ///@}
    };

    /// The look and listener shown (not owned), the heading text, the check box of each entry, the
    /// timer behind updateLater() and the rows and grid of the last rebuild.
    ///@{
    Look* look;
    QString title;
    ColorBarDrawListener* listener;
    QMap<QCheckBox*, Look::Entry> entryMap;
    QTimer timer;
    LegendGrid* grid = nullptr;
    QLabel* heading = nullptr;
    QList<Row> rows;
    ///@}
};

#endif
