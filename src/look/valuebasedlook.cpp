#include "valuebasedlook.h"

#include "dataarray.h"
#include "memleaktracer.h"
#include "xydataset.h"

#include <cmath>
#include <limits>

namespace {

// Values this close to a row count as that row's value when not interpolating.
const double tableValueTolerance = 0.0001;

} // namespace

ValueBasedLook::ValueBasedLook(XYDataSet* dataSet, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle,
                               int lineThickness)
    : Look(dataSet, color, symbol, penStyle, lineThickness),
      lastSearchedValue(std::numeric_limits<double>::quiet_NaN())
{
    MemLeakTracer::getInstance()->doAllocateObject("ValueBasedLook");
    if (dataSet && dataSet->yData)
        connect(dataSet->yData, SIGNAL(dataChanged()), this, SLOT(checkAndEmitLastAppearanceChanged()));
    connect(this, SIGNAL(lastAppearanceChanged()), this, SLOT(registerLastLookEntryPresence()));
}

ValueBasedLook::~ValueBasedLook()
{
    MemLeakTracer::getInstance()->doDeallocateObject("ValueBasedLook");
}

bool ValueBasedLook::isChanged(int index)
{
    if (index == 0)
        return true;
    if (!dataSet || !dataSet->yData || index < 0 || index >= dataSet->yData->dataSize())
        return false;
    // Wherever the value changes the appearance may change; NaN never equals.
    return !(dataSet->yData->getValue(index) == dataSet->yData->getValue(index - 1));
}

bool ValueBasedLook::isFixedSingleColor() const
{
    return false;
}

Look::Entry ValueBasedLook::getApplicableLookEntry(int index)
{
    double value = std::numeric_limits<double>::quiet_NaN();
    if (dataSet && dataSet->yData && index >= 0 && index < dataSet->yData->dataSize())
        value = dataSet->yData->getValue(index);

    const int k = searchNearestIndex(value);
    if (k < 0)
        return defaultEntry;
    const ValuedEntry& row = table[k];

    if (!useInterpolation) {
        if (std::fabs(value - row.value) < tableValueTolerance)
            return row.entry;
        return defaultEntry;
    }

    // No extrapolation beyond the ends of the table.
    const int n = table.size();
    if (value == row.value || (k == 0 && value <= table[0].value) || (k == n - 1 && value >= table[n - 1].value))
        return row.entry;
    const int j = value < row.value ? k - 1 : k;
    const ValuedEntry& below = table[j];
    const ValuedEntry& above = table[j + 1];
    return Look::interpolateLookEntry(below.entry, above.entry,
                                      (value - below.value) / (above.value - below.value));
}

void ValueBasedLook::fillPresentLookEntries()
{
}

void ValueBasedLook::addTableEntry(double value, QColor color, E_SYMBOL symbol, Qt::PenStyle penStyle,
                                   int lineThickness, QString legendText)
{
    int position = 0;
    while (position < table.size() && table[position].value < value)
        ++position;
    if (position < table.size() && table[position].value == value)
        table.removeAt(position);
    table.insert(position, ValuedEntry{value, Look::Entry(color, symbol, penStyle, lineThickness)});

    if (!legendText.isEmpty())
        setLegendText(color, legendText);
    lastSearchedValue = std::numeric_limits<double>::quiet_NaN();
}

void ValueBasedLook::addTableEntry(double value, QColor color, QString legendText)
{
    addTableEntry(value, color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness,
                  legendText);
}

bool ValueBasedLook::getUseInterpolation() const
{
    return useInterpolation;
}

void ValueBasedLook::setUseInterpolation(bool interpolate)
{
    useInterpolation = interpolate;
}

int ValueBasedLook::searchNearestIndex(double value) const
{
    // Consecutive points often share a value; they cost nothing.
    if (value == lastSearchedValue)
        return lastSearchResult;

    const int n = table.size();
    int result = -1;
    bool found = false;
    int lo = 0;
    int hi = n - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const double t = table[mid].value;
        if (t == value || (t < value && (mid == n - 1 || value < table[mid + 1].value))) {
            result = mid;
            if (mid != n - 1 && std::fabs(table[mid + 1].value - value) < std::fabs(t - value))
                result = mid + 1;
            found = true;
            break;
        }
        if (value < t)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    if (!found)
        result = (n > 0 && value < table[0].value) ? 0 : -1;

    lastSearchedValue = value;
    lastSearchResult = result;
    return result;
}

void ValueBasedLook::registerLastLookEntryPresence()
{
    if (lastAppearanceValid)
        registerLookEntryPresence(lastAppearance, true);
}
