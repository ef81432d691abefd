#ifndef ZEBPLOT_LOOK_H
#define ZEBPLOT_LOOK_H

#include "zebplot_export.h"

#include "plottypes.h"

#include <QColor>
#include <QFlags>
#include <QHashFunctions>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QSet>
#include <QString>

class QPainter;
class XYDataSet;

/// How each point of one data set is drawn: colour, symbol, pen style and line
/// thickness.
///
/// The appearance may change along the series.  A producer calls
/// changeFromLast() when, say, the receiver's fix mode changes; from the newest
/// index onward the new appearance applies.  The changes are kept as a list of
/// (first index, appearance) pairs with strictly increasing indices, which the
/// canvas queries once per drawn point, so sequential lookups are O(1).
///
/// The look also remembers which appearances occur (for legends), maps
/// appearances to legend texts and carries per-series drawing options: fixed
/// vertical positioning, colour-bar mode, symbol size and thresholds.
class ZEBPLOT_EXPORT Look : public QObject
{
    Q_OBJECT

public:
    /// One appearance.  Default constructed: invalid colour, everything else 0.
    struct ZEBPLOT_EXPORT Entry
    {
        QColor color;  ///< an invalid colour draws nothing
        E_SYMBOL symbol = SYMBOL_NONE;  ///< symbol at each point
        Qt::PenStyle penStyle = Qt::NoPen;  ///< line between points; Qt::NoPen: symbols only
        int lineThickness = 0;  ///< pixels, before PlotRenderSettings_t::lineWidthFactor

        /// Invalid colour, SYMBOL_NONE, Qt::NoPen, thickness 0: draws nothing.
        Entry() = default;
        /// An appearance from its four fields, taken as given.
        Entry(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness)
            : color(color), symbol(symbol), penStyle(penStyle), lineThickness(lineThickness)
        {
        }

        /// Compares all four fields; colours compare with their alpha.
        ///@{
        bool operator==(Entry const& other) const
        {
            return color == other.color && symbol == other.symbol && penStyle == other.penStyle
                && lineThickness == other.lineThickness;
        }
        bool operator!=(Entry const& other) const { return !(*this == other); }
        ///@}
    };

    /// An appearance that applies from data index `index` onward (-1: from the start).
    struct IndexedEntry
    {
        int index = -1;      ///< first data index of the appearance
        Look::Entry entry;   ///< the appearance
    };

    /// The fields of an Entry, as flags: which fields a legend text must match.
    enum EntryPart {
        Color = 1,  ///< the colour
        Symbol = 2,  ///< the symbol
        PenStyle = 4,  ///< the pen style
        LineThickness = 8  ///< the line thickness
    };
    /// A combination of EntryPart flags.
    Q_DECLARE_FLAGS(EntryParts, EntryPart)
    Q_FLAG(EntryParts)

    /// A legend text for all entries whose named parts equal those of `entry`.
    struct EntryLegendText
    {
        Look::Entry entry;               ///< the values to match
        QFlags<Look::EntryPart> parts;   ///< which fields of entry must match
        QString text;                    ///< the legend text
    };

    /// A look with the given default appearance (used wherever no change applies).  It installs
    /// itself in dataSet (XYDataSet::setLook(), which deletes a previous look), so the data set owns
    /// it; dataSet may be null for a look used on its own.
    Look(XYDataSet* dataSet, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    /// Unregisters from its data set, which then creates a default look on the next getLook().
    ~Look() override;

    // --- overridable behaviour (the order of these is part of the binary interface) ---
    /// True where a new appearance starts exactly at index (always for index 0).
    virtual bool isChanged(int index);
    /// True for a single-line look that is not a colour bar: the canvas may then draw the whole
    /// series with one pen.
    virtual bool isFixedSingleColor() const;
    /// The appearance at data index: that of the last change at or before it, else the default.
    virtual Look::Entry getApplicableLookEntry(int index);
    /// Colour of one of the parallel lines at index; the base class ignores line.
    virtual QColor getMultiLineColor(int index, int line);
    /// The text of the most specific legend text matching entry; empty if none.
    virtual QString getLookEntryLegendText(Look::Entry const& entry);
    /// Rebuilds the present entries from the recorded changes.
    virtual void fillPresentLookEntries();
    /// The data set's x array dropped its first numberOfPoints values.
    virtual void leftShift(int numberOfPoints);
    /// The data set's arrays kept only their even indices.
    virtual void decimateKeepEven();
    /// Removes all changes; only the default appearance is left.
    virtual void clear();

    // --- appearance per index ---
    /// One field of getApplicableLookEntry(index).
    ///@{
    QColor getColor(int index);
    E_SYMBOL getSymbol(int index);
    Qt::PenStyle getPenStyle(int index);
    int getLineThickness(int index);
    ///@}
    /// Position in the change list of the last change whose index is <= index, or -1 when the
    /// default applies.  Starts from the previous answer, so sequential indices cost O(1).
    int searchApplicableIndex(int index);
    /// True when multiLineCount is above 1.
    bool isMultiLine() const;
    /// multiLineCount.
    int getMultiLineCount() const;
    /// The data set given at construction (may be null); not owned.
    XYDataSet* getDataSet();

    // --- changing the appearance ---
    /// Makes entry apply from the newest data index onward (so append the sample first),
    /// replacing changes recorded at or after it.  Emits presentLookEntriesChanged() for a new
    /// appearance and lastAppearanceChanged() when the newest point's appearance changed.
    void changeFromLast(Look::Entry entry);
    /// changeFromLast(Look::Entry) from the four fields.
    void changeFromLast(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    /// Changes only the colour, keeping the symbol, pen style and thickness that
    /// apply at the newest index; records nothing if the colour already applies.
    void changeFromLast(QColor color);
    /// Replaces the default appearance (where no change applies); emits lastAppearanceChanged() if it differs.
    /// Redraws follow through the plot's connection to that signal.
    void setDefault(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    /// Changes only the default thickness (pixels); emits lastAppearanceChanged() if it differs.
    void setDefaultLineThickness(int lineThickness);
    /// Fields of the default appearance given at construction or by setDefault().
    ///@{
    QColor getDefaultColor() const;
    E_SYMBOL getDefaultSymbol() const;
    Qt::PenStyle getDefaultPenStyle() const;
    int getDefaultLineThickness() const;
    ///@}
    /// Entry a with colour channels and thickness moved towards b by t (0..1).
    static Look::Entry interpolateLookEntry(Look::Entry const& a, Look::Entry const& b, double t);

    // --- present entries ---
    /// The appearances that occur in the series (the default one only if it was set through a change).
    QSet<Look::Entry> getPresentLookEntries();
    /// Adds entry to the present appearances; with emitChange, emits presentLookEntriesChanged() if it was new.
    void registerLookEntryPresence(Look::Entry entry, bool emitChange);
    /// The present appearances, or, with mustIncludeAllEntriesInLegend(), the entries of all legend
    /// texts in the order they were set (so a legend lists modes that have not occurred yet).
    QList<Look::Entry> getLookEntriesForLegend();
    /// Whether legends list every appearance that has a legend text rather than only the present ones (false by
    /// default).
    ///@{
    bool mustIncludeAllEntriesInLegend() const;
    void setMustIncludeAllEntriesInLegend(bool mustIncludeAll);
    ///@}

    // --- legend texts ---
    /// Adds a legend text for all appearances whose parts equal those of entry; the text with
    /// more matching parts wins, and among equally specific ones the last set.
    void setLegendText(Look::Entry entry, QString text, QFlags<Look::EntryPart> parts);
    /// A legend text matching by colour only.
    void setLegendText(QColor color, QString text);
    /// The entry of the first legend text equal to text; an invalid colour if none.
    Look::Entry getLookEntryByLegendText(QString text);
    /// Whether the plot legend draws the data set in its default colour instead of the newest point's (false by
    /// default).
    ///@{
    bool useDefaultColorInLegend() const;
    void setUseDefaultColorInLegend(bool useDefaultColor);
    ///@}
    /// Whether a LookLegend offers check boxes that hide points of an appearance (true by default).
    ///@{
    bool getAllowFiltering() const;
    void setAllowFiltering(bool allowFiltering);
    ///@}

    // --- fixed vertical position ---
    /// Draws every point at a fixed height: a fraction of the canvas height down from the top;
    /// -1.0 asks the plot to choose (auto position, see setAutoPosition()).
    void setFractionallyFixedPositioned(float fraction);
    /// Draws every point at a fixed height: a pixel offset down from the top edge; negative
    /// offsets count up from the bottom edge.
    void setOffsettedFixedPositioned(int offset);
    /// Draws the data set as a colour bar (a thick horizontal band whose colour follows the
    /// appearance) at a pixel offset as for setOffsettedFixedPositioned(); the offset is scaled by
    /// PlotRenderSettings_t::colorBarWidthFactor.  There is no way back to a plain series.
    void setColorBar(int offset);
    /// Stores the fraction the plot computed for an auto-positioned look; the mode stays.
    void setAutoPosition(float fraction);
    /// Whether the y values are ignored for drawing (fraction, offset or colour-bar positioning).
    bool hasFixedYPosition() const;
    /// The positioning mode set by the calls above.
    ///@{
    bool isFractionPositioned() const;
    bool isOffsetPositioned() const;
    bool isAutoPositioned() const;
    bool isColorBar() const;
    ///@}
    /// The pixel offset of an offset-positioned look (scaled for colour bars), 0 otherwise.
    int getOffset() const;
    /// Pixel row, counted down from the top of a canvas height pixels high, at which the points
    /// are drawn; 0 when the look is not fixed.
    int getFixedYPosition(int height) const;
    /// Whether the plot leaves a fixed-height data set without usable y values out of its layout:
    /// no name on the y-axis scale and no share of the auto positions (true by default).
    ///@{
    bool mustHideEntryIfNoValidData() const;
    void setMustHideEntryIfNoValidData(bool mustHide);
    ///@}

    // --- colour bars ---
    /// Limits on how far one colour-bar point extends to the right when it is not followed closely:
    /// at most the pixel length (100000 by default) and, when set, the data length in x units (NaN
    /// by default: no data limit, the bar reaches the next point), at least the minimum pixel length
    /// (0 by default).
    ///@{
    int getMaxBarEntryPixelLength() const;
    void setMaxBarEntryPixelLength(int length);
    double getMaxBarEntryDataLength() const;
    void setMaxBarEntryDataLength(double length);
    int getMinBarEntryPixelLength() const;
    void setMinBarEntryPixelLength(int length);
    ///@}
    /// Draws the groove behind a colour bar across width pixels at position.y().
    void drawColorBarBackground(QPainter& painter, QPoint const& position, int width) const;

    // --- other drawing options ---
    /// Symbol size in pixels (8 by default); also the size of the symbol in legends.
    ///@{
    int getSymbolSize() const;
    void setSymbolSize(int size);
    ///@}
    /// Symbols are drawn only while 1000 x units take more than this many pixels, so that zoomed-out
    /// series are not buried in symbols (0 by default: always, for increasing x).
    ///@{
    int getSymbolDrawingThreshold() const;
    void setSymbolDrawingThreshold(int threshold);
    ///@}
    /// Gap in x above which neighbouring points are not joined; -1.0 (the default) means: use the
    /// canvas's own threshold (XYCanvas::setHorizontalDisconnectionThreshold()), NaN: never a gap.
    ///@{
    double getHorizontalDisconnectionThreshold() const;
    void setHorizontalDisconnectionThreshold(double threshold);
    ///@}
    /// Whether the canvas draws a dashed grey vertical line (a foreground marker) at every point
    /// whose y value differs from its predecessor's, for example at mode changes (off by default).
    ///@{
    void setDrawMarkerOnYValueChange(bool drawMarker);
    bool getDrawMarkerOnYValueChange() const;
    ///@}
    /// True where the y value differs from the previous one (a NaN on either side counts as a
    /// change) and markers on y changes are wanted; false for index 0 and out-of-range indices.
    bool mustDrawMarker(int index);

    /// Number of parallel lines the canvas draws for this data set (1 by default).
    int multiLineCount = 1;

signals:
    /// The appearance of the newest point (or the default) changed: legends showing it must update.
    void lastAppearanceChanged();
    /// The set of present appearances changed: look legends rebuild their entries.
    void presentLookEntriesChanged();

public slots:
    /// Emits lastAppearanceChanged() when the appearance of the newest point
    /// differs from the one seen at the previous emission.
    void checkAndEmitLastAppearanceChanged();

protected:
    /// State behind the accessors above: the appearance last announced by lastAppearanceChanged(),
    /// the owning data set, the present appearances and the legend texts.
    ///@{
    Look::Entry lastAppearance;
    bool lastAppearanceValid = false;
    XYDataSet* dataSet = nullptr;
    QSet<Look::Entry> presentEntries;
    bool mustIncludeAllEntriesInLegendFlag = false;
    QList<Look::EntryLegendText> legendTexts;
    bool useDefaultColorInLegendFlag = false;
    bool allowFiltering = true;
    ///@}
    /// The recorded changes, indices strictly increasing, with the position of the last lookup
    /// (where searchApplicableIndex() starts) and the default appearance.
    ///@{
    int lastSearchPosition = -1;
    QList<Look::IndexedEntry> changes;
    Look::Entry defaultEntry;
    ///@}
    /// Where the points of the data set are drawn vertically.
    enum class FixedPosition
    {
        None,     ///< at their y values
        Fraction, ///< at fixedPositionValue times the canvas height from the top
        Offset    ///< at fixedPositionValue pixels from the top, or from the bottom when negative
    };
    /// Positioning (the value holds the fraction or the offset) and the drawing options behind the
    /// accessors above.
    ///@{
    FixedPosition fixedPositionMode = FixedPosition::None;
    float fixedPositionValue = 0.0f;
    bool autoPositioned = false;
    bool mustHideEntryIfNoValidDataFlag = true;
    bool colorBar = false;
    int maxBarEntryPixelLength = 100000;
    double maxBarEntryDataLength;
    int minBarEntryPixelLength = 0;
    bool drawMarkerOnYValueChange = false;
    double horizontalDisconnectionThreshold = -1.0;
    int symbolSize = 8;
    int symbolDrawingThreshold = 0;
    ///@}
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Look::EntryParts)
Q_DECLARE_METATYPE(Look::Entry)

/// Hash of an appearance for QSet/QHash: the packed RGB value combined with the
/// other three fields.
inline size_t qHash(Look::Entry const& entry, size_t seed = 0) noexcept
{
    const int rgb = (entry.color.red() << 16) + (entry.color.green() << 8) + entry.color.blue();
    return qHash(int(rgb ^ int(entry.symbol) ^ int(entry.penStyle) ^ entry.lineThickness), seed);
}

#endif
