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
        QColor color;
        E_SYMBOL symbol = SYMBOL_NONE;
        Qt::PenStyle penStyle = Qt::NoPen;
        int lineThickness = 0;

        Entry() = default;
        Entry(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness)
            : color(color), symbol(symbol), penStyle(penStyle), lineThickness(lineThickness)
        {
        }

        bool operator==(Entry const& other) const
        {
            return color == other.color && symbol == other.symbol && penStyle == other.penStyle
                && lineThickness == other.lineThickness;
        }
        bool operator!=(Entry const& other) const { return !(*this == other); }
    };

    /// An appearance that applies from data index `index` onward (-1: from the start).
    struct IndexedEntry
    {
        int index = -1;
        Look::Entry entry;
    };

    /// The fields of an Entry, as flags: which fields a legend text must match.
    enum EntryPart {
        Color = 1,
        Symbol = 2,
        PenStyle = 4,
        LineThickness = 8
    };
    Q_DECLARE_FLAGS(EntryParts, EntryPart)
    Q_FLAG(EntryParts)

    /// A legend text for all entries whose named parts equal those of `entry`.
    struct EntryLegendText
    {
        Look::Entry entry;
        QFlags<Look::EntryPart> parts;
        QString text;
    };

    Look(XYDataSet* dataSet, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    ~Look() override;

    // --- overridable behaviour (the order of these is part of the binary interface) ---
    /// True where a new appearance starts exactly at index (always for index 0).
    virtual bool isChanged(int index);
    virtual bool isFixedSingleColor() const;
    virtual Look::Entry getApplicableLookEntry(int index);
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
    QColor getColor(int index);
    E_SYMBOL getSymbol(int index);
    Qt::PenStyle getPenStyle(int index);
    int getLineThickness(int index);
    /// Position of the last change whose index is <= index, or -1.
    int searchApplicableIndex(int index);
    bool isMultiLine() const;
    int getMultiLineCount() const;
    XYDataSet* getDataSet();

    // --- changing the appearance ---
    /// Makes entry apply from the newest data index onward.
    void changeFromLast(Look::Entry entry);
    void changeFromLast(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    /// Changes only the colour, keeping the symbol, pen style and thickness that
    /// apply at the newest index; records nothing if the colour already applies.
    void changeFromLast(QColor color);
    void setDefault(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness);
    void setDefaultLineThickness(int lineThickness);
    QColor getDefaultColor() const;
    E_SYMBOL getDefaultSymbol() const;
    Qt::PenStyle getDefaultPenStyle() const;
    int getDefaultLineThickness() const;
    /// Entry a with colour channels and thickness moved towards b by t (0..1).
    static Look::Entry interpolateLookEntry(Look::Entry const& a, Look::Entry const& b, double t);

    // --- present entries ---
    QSet<Look::Entry> getPresentLookEntries();
    void registerLookEntryPresence(Look::Entry entry, bool emitChange);
    QList<Look::Entry> getLookEntriesForLegend();
    bool mustIncludeAllEntriesInLegend() const;
    void setMustIncludeAllEntriesInLegend(bool mustIncludeAll);

    // --- legend texts ---
    void setLegendText(Look::Entry entry, QString text, QFlags<Look::EntryPart> parts);
    /// A legend text matching by colour only.
    void setLegendText(QColor color, QString text);
    /// The entry of the first legend text equal to text; an invalid colour if none.
    Look::Entry getLookEntryByLegendText(QString text);
    bool useDefaultColorInLegend() const;
    void setUseDefaultColorInLegend(bool useDefaultColor);
    bool getAllowFiltering() const;
    void setAllowFiltering(bool allowFiltering);

    // --- fixed vertical position ---
    /// A fraction of the canvas height; -1.0 asks the plot to choose (auto position).
    void setFractionallyFixedPositioned(float fraction);
    /// A pixel offset; negative offsets count from the far edge.
    void setOffsettedFixedPositioned(int offset);
    /// Draws the data set as a colour bar at a pixel offset.
    void setColorBar(int offset);
    /// Stores the position the plot computed for an auto-positioned look.
    void setAutoPosition(float fraction);
    bool hasFixedYPosition() const;
    bool isFractionPositioned() const;
    bool isOffsetPositioned() const;
    bool isAutoPositioned() const;
    bool isColorBar() const;
    int getOffset() const;
    int getFixedYPosition(int height) const;
    bool mustHideEntryIfNoValidData() const;
    void setMustHideEntryIfNoValidData(bool mustHide);

    // --- colour bars ---
    int getMaxBarEntryPixelLength() const;
    void setMaxBarEntryPixelLength(int length);
    double getMaxBarEntryDataLength() const;
    void setMaxBarEntryDataLength(double length);
    int getMinBarEntryPixelLength() const;
    void setMinBarEntryPixelLength(int length);
    /// Draws the groove behind a colour bar across width pixels at position.y().
    void drawColorBarBackground(QPainter& painter, QPoint const& position, int width) const;

    // --- other drawing options ---
    int getSymbolSize() const;
    void setSymbolSize(int size);
    int getSymbolDrawingThreshold() const;
    void setSymbolDrawingThreshold(int threshold);
    /// -1.0 means: use the canvas's own threshold.
    double getHorizontalDisconnectionThreshold() const;
    void setHorizontalDisconnectionThreshold(double threshold);
    void setDrawMarkerOnYValueChange(bool drawMarker);
    bool getDrawMarkerOnYValueChange() const;
    /// True where the y value differs from the previous one and markers on
    /// y changes are wanted.
    bool mustDrawMarker(int index);

    /// Number of parallel lines the canvas draws for this data set.
    int multiLineCount = 1;

signals:
    void lastAppearanceChanged();
    void presentLookEntriesChanged();

public slots:
    /// Emits lastAppearanceChanged() when the appearance of the newest point
    /// differs from the one seen at the previous emission.
    void checkAndEmitLastAppearanceChanged();

protected:
    Look::Entry lastAppearance;
    bool lastAppearanceValid = false;
    XYDataSet* dataSet = nullptr;
    QSet<Look::Entry> presentEntries;
    bool mustIncludeAllEntriesInLegendFlag = false;
    QList<Look::EntryLegendText> legendTexts;
    bool useDefaultColorInLegendFlag = false;
    bool allowFiltering = true;
    int lastSearchPosition = -1;
    QList<Look::IndexedEntry> changes;
    Look::Entry defaultEntry;
    int fixedPositionMode = 0;
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
