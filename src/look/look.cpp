#include "look.h"

#include "dataarray.h"
#include "dbg.h"
#include "memleaktracer.h"
#include "plotrendersettings.h"
#include "xydataset.h"

#include <QPainter>
#include <QPen>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Entries travel through queued signals (legend filters) and QVariants, so the
// type must be known under its spelled-out name before any connection is made.
const int lookEntryMetaTypeId = qRegisterMetaType<Look::Entry>("Look::Entry");

int roundHalfAwayFromZero(double value)
{
    return int(std::lround(value));
}

int yArraySize(XYDataSet const* dataSet)
{
    if (!dataSet || !dataSet->yData)
        return 0;
    return dataSet->yData->dataSize();
}

} // namespace

Look::Look(XYDataSet* dataSet, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness)
    : QObject(nullptr),
      dataSet(dataSet),
      defaultEntry(color, symbol, penStyle, lineThickness),
      maxBarEntryDataLength(std::numeric_limits<double>::quiet_NaN())
{
    Q_UNUSED(lookEntryMetaTypeId);
    MemLeakTracer::getInstance()->doAllocateObject("Look");
    if (dataSet)
        dataSet->setLook(this);
}

Look::~Look()
{
    MemLeakTracer::getInstance()->doDeallocateObject("Look");
    if (dataSet)
        dataSet->unsetLook(this);
    changes.clear();
    presentEntries.clear();
    legendTexts.clear();
}

// ---------------------------------------------------------------------------
// Appearance per index

bool Look::isChanged(int index)
{
    if (index == 0)
        return true;
    const int k = searchApplicableIndex(index);
    if (k < 0)
        return false;
    return changes[k].index == index;
}

bool Look::isFixedSingleColor() const
{
    return multiLineCount < 2 && !colorBar;
}

Look::Entry Look::getApplicableLookEntry(int index)
{
    const int k = searchApplicableIndex(index);
    if (k < 0)
        return defaultEntry;
    return changes[k].entry;
}

QColor Look::getMultiLineColor(int index, int line)
{
    Q_UNUSED(line);
    return getApplicableLookEntry(index).color;
}

QColor Look::getColor(int index)
{
    return getApplicableLookEntry(index).color;
}

E_SYMBOL Look::getSymbol(int index)
{
    return getApplicableLookEntry(index).symbol;
}

Qt::PenStyle Look::getPenStyle(int index)
{
    return getApplicableLookEntry(index).penStyle;
}

int Look::getLineThickness(int index)
{
    return getApplicableLookEntry(index).lineThickness;
}

int Look::searchApplicableIndex(int index)
{
    const int size = changes.size();
    int result = -1;
    if (size == 0 || changes[0].index > index) {
        lastSearchPosition = result;
        return result;
    }

    // The canvas walks the indices upwards, so the change found last time, or
    // the one right after it, is almost always the answer.
    int probe = (lastSearchPosition >= 0 && lastSearchPosition < size) ? lastSearchPosition : size / 2;
    int lo = 0;
    int hi = size;
    bool found = false;
    while (lo < hi) {
        const int k = probe;
        if (changes[k].index <= index) {
            if (k == size - 1 || index < changes[k + 1].index) {
                result = k;
                found = true;
                break;
            }
            if (k == lastSearchPosition && (k + 1 == size - 1 || index < changes[k + 2].index)) {
                result = k + 1;
                found = true;
                break;
            }
            lo = k + 1;
        } else {
            hi = k;
        }
        probe = (lo + hi) / 2;
    }
    if (!found) {
        qWarning() << "Look::searchApplicableIndex: Binary search has failed where a success was expected.";
        result = -1;
    }
    lastSearchPosition = result;
    return result;
}

bool Look::isMultiLine() const
{
    return multiLineCount > 1;
}

int Look::getMultiLineCount() const
{
    return multiLineCount;
}

XYDataSet* Look::getDataSet()
{
    return dataSet;
}

// ---------------------------------------------------------------------------
// Changing the appearance

void Look::changeFromLast(Look::Entry entry)
{
    const int lastIndex = yArraySize(dataSet) - 1;

    if (!changes.isEmpty() && changes.last().index >= lastIndex) {
        // Changes at or after the newest index are superseded by this one.
        if (changes.last().index == lastIndex) {
            changes.removeLast();
        } else {
            const int k = searchApplicableIndex(lastIndex);
            if (k >= 0)
                changes.resize(changes[k].index != lastIndex ? k + 1 : k);
            else
                changes.clear(); // every recorded change starts after the newest index
        }
    }
    changes.append(IndexedEntry{lastIndex, entry});

    registerLookEntryPresence(entry, true);
    checkAndEmitLastAppearanceChanged();
}

void Look::changeFromLast(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness)
{
    changeFromLast(Look::Entry(color, symbol, penStyle, lineThickness));
}

void Look::changeFromLast(QColor color)
{
    const Look::Entry current = getApplicableLookEntry(yArraySize(dataSet) - 1);
    if (current.color != color)
        changeFromLast(color, current.symbol, current.penStyle, current.lineThickness);
}

void Look::setDefault(QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle, int lineThickness)
{
    const Look::Entry entry(color, symbol, penStyle, lineThickness);
    if (entry == defaultEntry)
        return;
    defaultEntry = entry;
    emit lastAppearanceChanged();
}

void Look::setDefaultLineThickness(int lineThickness)
{
    if (defaultEntry.lineThickness == lineThickness)
        return;
    defaultEntry.lineThickness = lineThickness;
    emit lastAppearanceChanged();
}

QColor Look::getDefaultColor() const
{
    return defaultEntry.color;
}

E_SYMBOL Look::getDefaultSymbol() const
{
    return defaultEntry.symbol;
}

Qt::PenStyle Look::getDefaultPenStyle() const
{
    return defaultEntry.penStyle;
}

int Look::getDefaultLineThickness() const
{
    return defaultEntry.lineThickness;
}

void Look::clear()
{
    changes.clear();
    presentEntries.clear();
    fillPresentLookEntries();
}

Look::Entry Look::interpolateLookEntry(Look::Entry const& a, Look::Entry const& b, double t)
{
    auto mix = [t](int from, int to) { return roundHalfAwayFromZero(to * t + from * (1.0 - t)); };
    Look::Entry result = a;
    const int red = qBound(0, mix(a.color.red(), b.color.red()), 255);
    const int green = qBound(0, mix(a.color.green(), b.color.green()), 255);
    const int blue = qBound(0, mix(a.color.blue(), b.color.blue()), 255);
    result.color.setRgb(red, green, blue, a.color.alpha());
    result.lineThickness = mix(a.lineThickness, b.lineThickness);
    return result;
}

// ---------------------------------------------------------------------------
// Last appearance

void Look::checkAndEmitLastAppearanceChanged()
{
    const int size = yArraySize(dataSet);
    if (size == 0)
        return;
    const Look::Entry entry = getApplicableLookEntry(size - 1);
    if (lastAppearanceValid && lastAppearance == entry)
        return;
    lastAppearance = entry;
    lastAppearanceValid = true;
    emit lastAppearanceChanged();
}

// ---------------------------------------------------------------------------
// Present entries

QSet<Look::Entry> Look::getPresentLookEntries()
{
    return presentEntries;
}

void Look::registerLookEntryPresence(Look::Entry entry, bool emitChange)
{
    const int before = presentEntries.size();
    presentEntries.insert(entry);
    if (emitChange && presentEntries.size() > before)
        emit presentLookEntriesChanged();
}

void Look::fillPresentLookEntries()
{
    presentEntries.clear();
    for (const IndexedEntry& change : std::as_const(changes))
        presentEntries.insert(change.entry);
    emit presentLookEntriesChanged();
}

QList<Look::Entry> Look::getLookEntriesForLegend()
{
    if (!mustIncludeAllEntriesInLegendFlag)
        return presentEntries.values();
    QList<Look::Entry> entries;
    entries.reserve(legendTexts.size());
    for (const EntryLegendText& legendText : std::as_const(legendTexts))
        entries.append(legendText.entry);
    return entries;
}

bool Look::mustIncludeAllEntriesInLegend() const
{
    return mustIncludeAllEntriesInLegendFlag;
}

void Look::setMustIncludeAllEntriesInLegend(bool mustIncludeAll)
{
    mustIncludeAllEntriesInLegendFlag = mustIncludeAll;
}

// ---------------------------------------------------------------------------
// Legend texts

void Look::setLegendText(Look::Entry entry, QString text, QFlags<Look::EntryPart> parts)
{
    legendTexts.append(EntryLegendText{entry, parts, text});
}

void Look::setLegendText(QColor color, QString text)
{
    setLegendText(Look::Entry(color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness),
                  text, Look::Color);
}

QString Look::getLookEntryLegendText(Look::Entry const& entry)
{
    QString result;
    QFlags<Look::EntryPart> bestParts;
    for (const EntryLegendText& item : std::as_const(legendTexts)) {
        const bool matches = (!item.parts.testFlag(Look::Color) || item.entry.color == entry.color)
            && (!item.parts.testFlag(Look::Symbol) || item.entry.symbol == entry.symbol)
            && (!item.parts.testFlag(Look::PenStyle) || item.entry.penStyle == entry.penStyle)
            && (!item.parts.testFlag(Look::LineThickness) || item.entry.lineThickness == entry.lineThickness);
        // A later item wins if it is at least as specific as the best so far;
        // a vaguer one never overrides a more specific one.
        if (matches && (item.parts & bestParts) == bestParts) {
            result = item.text;
            bestParts = item.parts;
        }
    }
    return result;
}

Look::Entry Look::getLookEntryByLegendText(QString text)
{
    for (const EntryLegendText& item : std::as_const(legendTexts)) {
        if (item.text == text)
            return item.entry;
    }
    return Look::Entry();
}

bool Look::useDefaultColorInLegend() const
{
    return useDefaultColorInLegendFlag;
}

void Look::setUseDefaultColorInLegend(bool useDefaultColor)
{
    useDefaultColorInLegendFlag = useDefaultColor;
}

bool Look::getAllowFiltering() const
{
    return allowFiltering;
}

void Look::setAllowFiltering(bool allow)
{
    allowFiltering = allow;
}

// ---------------------------------------------------------------------------
// Fixed vertical position

void Look::setFractionallyFixedPositioned(float fraction)
{
    fixedPositionMode = FixedPosition::Fraction;
    fixedPositionValue = fraction;
    autoPositioned = (fraction == -1.0f);
}

void Look::setOffsettedFixedPositioned(int offset)
{
    fixedPositionMode = FixedPosition::Offset;
    fixedPositionValue = float(offset);
    autoPositioned = false;
}

void Look::setColorBar(int offset)
{
    colorBar = true;
    fixedPositionMode = FixedPosition::Offset;
    fixedPositionValue = float(offset);
    autoPositioned = false;
}

void Look::setAutoPosition(float fraction)
{
    fixedPositionValue = fraction;
}

bool Look::hasFixedYPosition() const
{
    return fixedPositionMode != FixedPosition::None;
}

bool Look::isFractionPositioned() const
{
    return fixedPositionMode == FixedPosition::Fraction;
}

bool Look::isOffsetPositioned() const
{
    return fixedPositionMode == FixedPosition::Offset;
}

bool Look::isAutoPositioned() const
{
    return autoPositioned;
}

bool Look::isColorBar() const
{
    return colorBar;
}

int Look::getOffset() const
{
    if (fixedPositionMode != FixedPosition::Offset)
        return 0;
    int offset = roundHalfAwayFromZero(fixedPositionValue);
    if (colorBar)
        offset = roundHalfAwayFromZero(double(offset) * getPlotRenderSettings()->colorBarWidthFactor);
    return offset;
}

int Look::getFixedYPosition(int height) const
{
    switch (fixedPositionMode) {
    case FixedPosition::None:
        return 0;
    case FixedPosition::Fraction: {
        const float position = float(height) * fixedPositionValue;
        return roundHalfAwayFromZero(position);
    }
    case FixedPosition::Offset: {
        const int offset = getOffset();
        return offset < 0 ? height + offset : offset;
    }
    default:
        ZEB_ASSERT("Look", "Missing case");
        return 0;
    }
}

bool Look::mustHideEntryIfNoValidData() const
{
    return mustHideEntryIfNoValidDataFlag;
}

void Look::setMustHideEntryIfNoValidData(bool mustHide)
{
    mustHideEntryIfNoValidDataFlag = mustHide;
}

// ---------------------------------------------------------------------------
// Colour bars

int Look::getMaxBarEntryPixelLength() const
{
    return maxBarEntryPixelLength;
}

void Look::setMaxBarEntryPixelLength(int length)
{
    maxBarEntryPixelLength = length;
}

double Look::getMaxBarEntryDataLength() const
{
    return maxBarEntryDataLength;
}

void Look::setMaxBarEntryDataLength(double length)
{
    maxBarEntryDataLength = length;
}

int Look::getMinBarEntryPixelLength() const
{
    return minBarEntryPixelLength;
}

void Look::setMinBarEntryPixelLength(int length)
{
    minBarEntryPixelLength = length;
}

void Look::drawColorBarBackground(QPainter& painter, QPoint const& position, int width) const
{
    const int y = position.y();
    const int thickness = defaultEntry.lineThickness * getPlotRenderSettings()->colorBarWidthFactor;

    // The groove itself, as wide as the bar.
    painter.setPen(QPen(QBrush(QColor("#ededed").lighter(90), Qt::SolidPattern), thickness, Qt::SolidLine,
                        Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(0, y, width, y);

    // Its edges darken towards the outside, which gives the groove some depth.
    const int half = (thickness + 1) / 2;
    const int top = y + half;
    const int bottom = y - half;
    struct Edge { const char* color; int inset; };
    const Edge edges[] = {{"#e9e9e9", 2}, {"#e4e4e4", 1}, {"#e0e0e0", 0}};
    for (const Edge& edge : edges) {
        painter.setPen(QPen(QColor(edge.color).lighter(90)));
        painter.drawLine(0, top - edge.inset, width, top - edge.inset);
        painter.drawLine(0, bottom + edge.inset, width, bottom + edge.inset);
    }
}

// ---------------------------------------------------------------------------
// Other drawing options

int Look::getSymbolSize() const
{
    return symbolSize;
}

void Look::setSymbolSize(int size)
{
    symbolSize = size;
}

int Look::getSymbolDrawingThreshold() const
{
    return symbolDrawingThreshold;
}

void Look::setSymbolDrawingThreshold(int threshold)
{
    symbolDrawingThreshold = threshold;
}

double Look::getHorizontalDisconnectionThreshold() const
{
    return horizontalDisconnectionThreshold;
}

void Look::setHorizontalDisconnectionThreshold(double threshold)
{
    horizontalDisconnectionThreshold = threshold;
}

void Look::setDrawMarkerOnYValueChange(bool drawMarker)
{
    drawMarkerOnYValueChange = drawMarker;
}

bool Look::getDrawMarkerOnYValueChange() const
{
    return drawMarkerOnYValueChange;
}

bool Look::mustDrawMarker(int index)
{
    if (index <= 0 || !drawMarkerOnYValueChange)
        return false;
    if (index >= yArraySize(dataSet))
        return false;
    const double current = dataSet->yData->getValue(index);
    const double previous = dataSet->yData->getValue(index - 1);
    return !(current == previous); // a NaN on either side counts as a change
}

// ---------------------------------------------------------------------------
// Left shift and decimation

void Look::leftShift(int numberOfPoints)
{
    // The change that applied to the old index numberOfPoints now applies from 0;
    // everything before it is gone with the dropped data.
    const int k = searchApplicableIndex(numberOfPoints);
    if (k > 0)
        changes.remove(0, k);
    for (IndexedEntry& change : changes)
        change.index = std::max(0, change.index - numberOfPoints);
    lastSearchPosition = -1;

    presentEntries.clear();
    fillPresentLookEntries();
}

void Look::decimateKeepEven()
{
    // New index d holds the old index 2d.  A change at an odd old index i first
    // shows at the kept index i + 1, that is at (i + 1) / 2; if the next change
    // starts exactly there it wins and this one disappears.
    QList<IndexedEntry> decimated;
    decimated.reserve(changes.size());
    const int size = changes.size();
    for (int j = 0; j < size; ++j) {
        const int index = changes[j].index;
        if (index % 2 == 0) {
            decimated.append(IndexedEntry{index / 2, changes[j].entry});
        } else {
            const bool isLast = (j == size - 1);
            if (isLast || index + 1 < changes[j + 1].index)
                decimated.append(IndexedEntry{(index + 1) / 2, changes[j].entry});
        }
    }
    changes = decimated;
    lastSearchPosition = -1;
}
