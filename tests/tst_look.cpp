#include <zebplot/zebplot.h>

#include "dataarraytemplate.h"
#include "memleaktracer.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

using DoubleArray = DataArrayTemplate<double>;
using Entry = Look::Entry;

namespace {

const Entry defaultEntry(Qt::black, SYMBOL_DOT, Qt::SolidLine, 1);
const Entry red(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1);
const Entry green(Qt::green, SYMBOL_CROSS, Qt::DashLine, 2);
const Entry blue(Qt::blue, SYMBOL_CIRCLE, Qt::DotLine, 3);

struct Fixture
{
    DoubleArray* x = new DoubleArray;
    DoubleArray* y = new DoubleArray;
    std::unique_ptr<XYDataSet> dataSet{new XYDataSet(x, y, "f", defaultEntry.color, defaultEntry.symbol,
                                                     defaultEntry.penStyle, defaultEntry.lineThickness, nullptr)};
    Look* look() { return dataSet->getLook(); }
    void appendUpTo(int size)
    {
        while (y->dataSize() < size)
            dataSet->append(y->dataSize(), 0);
    }
    // Records a change starting exactly at index.
    void changeAt(int index, Entry const& entry)
    {
        appendUpTo(index + 1);
        look()->changeFromLast(entry);
    }
};

} // namespace

// Readable failure messages for QCOMPARE on entries.
char* toString(Look::Entry const& e)
{
    return qstrdup(qPrintable(QString("Entry(%1, symbol %2, pen %3, thickness %4)")
                                  .arg(e.color.isValid() ? e.color.name(QColor::HexArgb) : QString("invalid"))
                                  .arg(int(e.symbol)).arg(int(e.penStyle)).arg(e.lineThickness)));
}

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void entryValueSemantics();
    void changeFromLast();
    void lastAppearanceAndDefaults();
    void leftShiftAndDecimateExamples();
    void presentEntriesAndLegendTexts();
    void fixedPositions();
    void interpolation();
    void colorBarBackground_data();
    void colorBarBackground();
    void markersOnYChange();
    void randomizedAgainstModel_data();
    void randomizedAgainstModel();
    void cleanupTestCase();
};

void TestLook::entryValueSemantics()
{
    const Entry empty;
    QVERIFY(!empty.color.isValid());
    QCOMPARE(int(empty.symbol), 0);
    QCOMPARE(int(empty.penStyle), 0);
    QCOMPARE(empty.lineThickness, 0);

    QCOMPARE(Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1), red);
    QVERIFY(red != Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 2));
    QVERIFY(red != Entry(Qt::red, SYMBOL_DOT, Qt::DashLine, 1));
    QVERIFY(red != Entry(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 1));

    // The hash folds the packed RGB value with the other fields, so that equal
    // entries meet in sets and the documented value is stable for hosts.
    const size_t seed = 42;
    QCOMPARE(qHash(green, seed), qHash(int(((0 << 16) + (255 << 8) + 0) ^ 3 ^ 2 ^ 2), seed));
    QSet<Entry> set{red, green, Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1)};
    QCOMPARE(set.size(), 2);

    // Entries travel in queued signals and variants under their spelled-out name.
    const QMetaType type = QMetaType::fromName("Look::Entry");
    QVERIFY(type.isValid());
    QCOMPARE(type.id(), qMetaTypeId<Look::Entry>());
    QCOMPARE(QVariant::fromValue(blue).value<Look::Entry>(), blue);
    QCOMPARE(int(Look::Color | Look::Symbol | Look::PenStyle | Look::LineThickness), 15);
}

void TestLook::changeFromLast()
{
    Fixture f;
    Look* look = f.look();
    // A fresh look: the default everywhere, a change only at index 0.
    for (int k = -1; k < 20; ++k)
        QCOMPARE(look->getApplicableLookEntry(k), defaultEntry);
    QVERIFY(look->isChanged(0));
    QVERIFY(!look->isChanged(5));

    f.appendUpTo(10);
    look->changeFromLast(Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1));
    for (int k = 0; k < 9; ++k)
        QCOMPARE(look->getColor(k), QColor(Qt::black));
    for (int k = 9; k < 30; ++k)
        QCOMPARE(look->getColor(k), QColor(Qt::red));
    QVERIFY(look->isChanged(9));
    QVERIFY(!look->isChanged(8));
    QVERIFY(!look->isChanged(10));

    // Twice without new data: the second replaces the first.
    look->changeFromLast(green);
    QCOMPARE(look->getApplicableLookEntry(9), green);
    QCOMPARE(look->getApplicableLookEntry(8), defaultEntry);
    QCOMPARE(look->getSymbol(9), SYMBOL_CROSS);
    QCOMPARE(look->getPenStyle(9), Qt::DashLine);
    QCOMPARE(look->getLineThickness(9), 2);

    // Only the colour: the other fields of the applying entry are kept, and
    // nothing is recorded when the colour already applies.
    f.appendUpTo(15);
    QSignalSpy present(look, SIGNAL(presentLookEntriesChanged()));
    look->changeFromLast(QColor(Qt::green));
    QVERIFY(!look->isChanged(14));
    QCOMPARE(present.count(), 0);
    look->changeFromLast(QColor(Qt::magenta));
    QVERIFY(look->isChanged(14));
    QCOMPARE(look->getApplicableLookEntry(14), Entry(Qt::magenta, SYMBOL_CROSS, Qt::DashLine, 2));
    QCOMPARE(look->getApplicableLookEntry(13), green);
    QCOMPARE(present.count(), 1);

    // Random access after sequential walks still finds the right change.
    QCOMPARE(look->getColor(100), QColor(Qt::magenta));
    QCOMPARE(look->getColor(3), QColor(Qt::black));
    QCOMPARE(look->getColor(11), QColor(Qt::green));
    QCOMPARE(look->getColor(14), QColor(Qt::magenta));
    QCOMPARE(look->getColor(9), QColor(Qt::green));

    // A change made before any data applies from the very start.
    Fixture empty;
    empty.look()->changeFromLast(blue);
    QCOMPARE(empty.look()->getApplicableLookEntry(0), blue);
    QCOMPARE(empty.look()->getApplicableLookEntry(-1), blue);
    QCOMPARE(empty.look()->getApplicableLookEntry(-2), defaultEntry);
    QVERIFY(!empty.look()->isChanged(1));

    // clear() drops every change.
    look->clear();
    QCOMPARE(look->getApplicableLookEntry(14), defaultEntry);
    QVERIFY(look->getPresentLookEntries().isEmpty());
}

void TestLook::lastAppearanceAndDefaults()
{
    Fixture f;
    Look* look = f.look();
    QSignalSpy last(look, SIGNAL(lastAppearanceChanged()));

    // Nothing to report for an empty data set, then the first check always emits.
    look->checkAndEmitLastAppearanceChanged();
    QCOMPARE(last.count(), 0);
    f.appendUpTo(3);
    look->checkAndEmitLastAppearanceChanged();
    QCOMPARE(last.count(), 1);
    look->checkAndEmitLastAppearanceChanged();
    QCOMPARE(last.count(), 1);

    look->changeFromLast(red);
    QCOMPARE(last.count(), 2);
    f.appendUpTo(4);
    look->changeFromLast(red); // same appearance at the newest index: recorded, not reported
    QCOMPARE(last.count(), 2);
    QVERIFY(look->isChanged(3));

    look->setDefault(defaultEntry.color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness);
    QCOMPARE(last.count(), 2);
    look->setDefault(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 4);
    QCOMPARE(last.count(), 3);
    QCOMPARE(look->getDefaultColor(), QColor(Qt::gray));
    QCOMPARE(look->getDefaultSymbol(), SYMBOL_PLUS);
    QCOMPARE(look->getDefaultPenStyle(), Qt::DotLine);
    QCOMPARE(look->getApplicableLookEntry(0), Entry(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 4));
    look->setDefaultLineThickness(4);
    QCOMPARE(last.count(), 3);
    look->setDefaultLineThickness(6);
    QCOMPARE(last.count(), 4);
    QCOMPARE(look->getDefaultLineThickness(), 6);

    // Single colour unless multi-line or a colour bar.
    QVERIFY(look->isFixedSingleColor());
    look->multiLineCount = 3;
    QVERIFY(look->isMultiLine());
    QCOMPARE(look->getMultiLineCount(), 3);
    QVERIFY(!look->isFixedSingleColor());
    QCOMPARE(look->getMultiLineColor(3, 2), QColor(Qt::red));
    look->multiLineCount = 1;
    look->setColorBar(5);
    QVERIFY(!look->isFixedSingleColor());
}

void TestLook::leftShiftAndDecimateExamples()
{
    {
        // Changes at 4 and 10: the one at 4 applied to old index 6 and moves to 0.
        Fixture f;
        f.changeAt(4, red);
        f.changeAt(10, green);
        f.look()->leftShift(6);
        QVERIFY(f.look()->isChanged(4));
        QCOMPARE(f.look()->getApplicableLookEntry(0), red);
        QCOMPARE(f.look()->getApplicableLookEntry(3), red);
        QCOMPARE(f.look()->getApplicableLookEntry(4), green);
        QCOMPARE(f.look()->getApplicableLookEntry(-1), defaultEntry); // moved to 0, not before it
        QCOMPARE(f.look()->getPresentLookEntries(), (QSet<Entry>{red, green}));
        // Shifting the arrays past every point leaves the newest appearance in force ...
        f.x->leftshift(20);
        f.y->leftshift(20);
        QCOMPARE(f.look()->getApplicableLookEntry(0), green);
        QCOMPARE(f.look()->getPresentLookEntries(), (QSet<Entry>{green}));
        // ... until a change on the now empty data set replaces it entirely.
        f.look()->changeFromLast(blue);
        QCOMPARE(f.look()->getApplicableLookEntry(0), blue);
        f.look()->fillPresentLookEntries();
        QCOMPARE(f.look()->getPresentLookEntries(), (QSet<Entry>{blue}));
    }
    {
        // Changes at 50 only: nothing applies to old index 10, so it just moves to 40.
        Fixture f;
        f.changeAt(50, red);
        QSignalSpy present(f.look(), SIGNAL(presentLookEntriesChanged()));
        f.look()->leftShift(10);
        QCOMPARE(present.count(), 1);
        QCOMPARE(f.look()->getApplicableLookEntry(39), defaultEntry);
        QCOMPARE(f.look()->getApplicableLookEntry(40), red);
        QVERIFY(f.look()->isChanged(40));
    }
    {
        // Changes at 3, 4 and 9: 3 would start where 4 now starts, so it is dropped.
        Fixture f;
        f.changeAt(3, red);
        f.changeAt(4, green);
        f.changeAt(9, blue);
        f.look()->decimateKeepEven();
        QCOMPARE(f.look()->getApplicableLookEntry(1), defaultEntry);
        QCOMPARE(f.look()->getApplicableLookEntry(2), green);
        QCOMPARE(f.look()->getApplicableLookEntry(4), green);
        QCOMPARE(f.look()->getApplicableLookEntry(5), blue);
        QVERIFY(f.look()->isChanged(2));
        QVERIFY(f.look()->isChanged(5));
        QVERIFY(!f.look()->isChanged(3));
        // Present entries are untouched by decimation; rebuilding them shows
        // that the dropped change is really gone.
        QCOMPARE(f.look()->getPresentLookEntries(), (QSet<Entry>{red, green, blue}));
        f.look()->fillPresentLookEntries();
        QCOMPARE(f.look()->getPresentLookEntries(), (QSet<Entry>{green, blue}));
    }
    {
        // A change made before any data becomes a change at 0.
        Fixture f;
        f.look()->changeFromLast(red);
        f.appendUpTo(6);
        f.changeAt(7, green);
        f.look()->decimateKeepEven();
        QCOMPARE(f.look()->getApplicableLookEntry(0), red);
        QCOMPARE(f.look()->getApplicableLookEntry(3), red);
        QCOMPARE(f.look()->getApplicableLookEntry(4), green);
        QVERIFY(f.look()->isChanged(4));
        QVERIFY(!f.look()->isChanged(1));
    }
}

void TestLook::presentEntriesAndLegendTexts()
{
    Fixture f;
    Look* look = f.look();
    QSignalSpy present(look, SIGNAL(presentLookEntriesChanged()));
    f.changeAt(2, red);
    f.changeAt(5, green);
    f.changeAt(8, red);
    QCOMPARE(present.count(), 2); // red again does not grow the set
    QCOMPARE(look->getPresentLookEntries(), (QSet<Entry>{red, green}));
    look->registerLookEntryPresence(blue, false);
    QCOMPARE(present.count(), 2);
    look->registerLookEntryPresence(defaultEntry, true);
    QCOMPARE(present.count(), 3);
    QCOMPARE(look->getLookEntriesForLegend().size(), 4);

    // Rebuilding keeps only the entries of recorded changes (not the default).
    look->fillPresentLookEntries();
    QCOMPARE(present.count(), 4);
    QCOMPARE(look->getPresentLookEntries(), (QSet<Entry>{red, green}));

    // The most specific matching legend text wins; a vaguer later one does not override.
    const Entry redSolid(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 7);
    look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::NoPen, 0), "A", Look::Color);
    look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, 0), "B", Look::Color | Look::PenStyle);
    look->setLegendText(Qt::red, "C"); // colour only, added last: cannot beat "B"
    QCOMPARE(look->getLookEntryLegendText(redSolid), QString("B"));
    QCOMPARE(look->getLookEntryLegendText(Entry(Qt::red, SYMBOL_PLUS, Qt::DashLine, 7)), QString("C"));
    QCOMPARE(look->getLookEntryLegendText(Entry(Qt::blue, SYMBOL_PLUS, Qt::SolidLine, 7)), QString());
    look->setLegendText(redSolid, "D", Look::Color | Look::Symbol | Look::PenStyle | Look::LineThickness);
    QCOMPARE(look->getLookEntryLegendText(redSolid), QString("D"));
    QCOMPARE(look->getLookEntryLegendText(Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 7)), QString("B"));

    QCOMPARE(look->getLookEntryByLegendText("B"), Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, 0));
    // setLegendText by colour takes the other fields from the defaults.
    QCOMPARE(look->getLookEntryByLegendText("C"), Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1));
    QVERIFY(!look->getLookEntryByLegendText("nothing").color.isValid());

    look->setMustIncludeAllEntriesInLegend(true);
    QVERIFY(look->mustIncludeAllEntriesInLegend());
    const QList<Entry> all = look->getLookEntriesForLegend();
    QCOMPARE(all.size(), 4);
    QCOMPARE(all.first(), Entry(Qt::red, SYMBOL_NONE, Qt::NoPen, 0));
    QCOMPARE(all.last(), redSolid);

    QVERIFY(look->getAllowFiltering());
    QVERIFY(!look->useDefaultColorInLegend());
    QVERIFY(look->mustHideEntryIfNoValidData());
}

void TestLook::fixedPositions()
{
    Fixture f;
    Look* look = f.look();
    QVERIFY(!look->hasFixedYPosition());
    QCOMPARE(look->getFixedYPosition(200), 0);
    QCOMPARE(look->getOffset(), 0);

    look->setOffsettedFixedPositioned(-20);
    QVERIFY(look->isOffsetPositioned());
    QCOMPARE(look->getFixedYPosition(200), 180);
    QCOMPARE(look->getOffset(), -20);
    look->setOffsettedFixedPositioned(30);
    QCOMPARE(look->getFixedYPosition(200), 30);

    look->setFractionallyFixedPositioned(0.25f);
    QVERIFY(look->isFractionPositioned());
    QVERIFY(!look->isAutoPositioned());
    QCOMPARE(look->getFixedYPosition(200), 50);
    QCOMPARE(look->getOffset(), 0);
    // Halves round away from zero.
    look->setFractionallyFixedPositioned(0.5f);
    QCOMPARE(look->getFixedYPosition(5), 3);
    QCOMPARE(look->getFixedYPosition(-5), -3);

    look->setFractionallyFixedPositioned(-1.0f);
    QVERIFY(look->isAutoPositioned());
    look->setAutoPosition(0.75f);
    QVERIFY(look->isFractionPositioned());
    QCOMPARE(look->getFixedYPosition(100), 75);

    // Colour bars scale their offset with the render settings in force.
    look->setColorBar(-20);
    QVERIFY(look->isColorBar());
    QVERIFY(look->isOffsetPositioned());
    QVERIFY(!look->isAutoPositioned());
    QCOMPARE(look->getFixedYPosition(200), 180);
    PlotRenderSettings_t wide = *getPlotRenderSettings();
    wide.colorBarWidthFactor = 3;
    plotRenderSettings.append(wide);
    QCOMPARE(look->getOffset(), -60);
    QCOMPARE(look->getFixedYPosition(200), 140);
    plotRenderSettings.takeLast();
    QCOMPARE(look->getOffset(), -20);

    // Plain accessors the canvas reads.
    QCOMPARE(look->getMaxBarEntryPixelLength(), 100000);
    QVERIFY(std::isnan(look->getMaxBarEntryDataLength()));
    QCOMPARE(look->getMinBarEntryPixelLength(), 0);
    QCOMPARE(look->getSymbolSize(), 8);
    QCOMPARE(look->getSymbolDrawingThreshold(), 0);
    QCOMPARE(look->getHorizontalDisconnectionThreshold(), -1.0);
}

void TestLook::interpolation()
{
    const Entry black(QColor(0, 0, 0, 200), SYMBOL_DOT, Qt::SolidLine, 1);
    const Entry white(Qt::white, SYMBOL_CIRCLE, Qt::DashLine, 4);
    const Entry half = Look::interpolateLookEntry(black, white, 0.5);
    QCOMPARE(half.color.red(), 128); // 127.5 rounds away from zero
    QCOMPARE(half.color.green(), 128);
    QCOMPARE(half.color.blue(), 128);
    QCOMPARE(half.color.alpha(), 200);
    QCOMPARE(half.lineThickness, 3); // 2.5
    QCOMPARE(half.symbol, SYMBOL_DOT);
    QCOMPARE(half.penStyle, Qt::SolidLine);

    QCOMPARE(Look::interpolateLookEntry(black, white, 0.0), black);
    const Entry end = Look::interpolateLookEntry(black, white, 1.0);
    QCOMPARE(end.color.rgb(), QColor(Qt::white).rgb());
    QCOMPARE(end.lineThickness, 4);
    const Entry quarter = Look::interpolateLookEntry(Entry(QColor(10, 100, 200), SYMBOL_DOT, Qt::SolidLine, 0),
                                                     Entry(QColor(20, 0, 0), SYMBOL_DOT, Qt::SolidLine, 8), 0.25);
    QCOMPARE(quarter.color, QColor(13, 75, 150)); // 12.5 -> 13
    QCOMPARE(quarter.lineThickness, 2);
}

void TestLook::colorBarBackground_data()
{
    QTest::addColumn<int>("thickness");
    QTest::addColumn<int>("factor");
    QTest::newRow("8px") << 8 << 1;
    QTest::newRow("5px") << 5 << 1;
    QTest::newRow("3px doubled") << 3 << 2;
}

void TestLook::colorBarBackground()
{
    QFETCH(int, thickness);
    QFETCH(int, factor);
    PlotRenderSettings_t settings = *getPlotRenderSettings();
    settings.colorBarWidthFactor = factor;
    plotRenderSettings.append(settings);

    XYDataSet dataSet(new DoubleArray, new DoubleArray, "bar", Qt::red, SYMBOL_NONE, Qt::SolidLine, thickness,
                      nullptr);
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int y = 30;
    {
        QPainter painter(&image);
        dataSet.getLook()->drawColorBarBackground(painter, QPoint(17, y), 40);
    }
    plotRenderSettings.takeLast();

    const int t = thickness * factor;
    const int h = (t + 1) / 2;
    const QRgb groove = QColor("#ededed").lighter(90).rgb();
    auto edge = [](const char* name) { return QColor(name).lighter(90).rgb(); };

    // Every row between the outermost edges, read in the middle of the bar.
    for (int row = y - h; row <= y + h; ++row) {
        const int distance = std::min(y + h - row, row - (y - h));
        const QRgb expected = distance == 0 ? edge("#e0e0e0")
            : distance == 1                 ? edge("#e4e4e4")
            : distance == 2                 ? edge("#e9e9e9")
                                            : groove;
        QCOMPARE(QColor(image.pixel(20, row)), QColor(expected));
        // The bar starts at x = 0 whatever the x of the position.
        QCOMPARE(QColor(image.pixel(0, row)), QColor(expected));
        QCOMPARE(QColor(image.pixel(40, row)), QColor(expected));
    }
    // Nothing beyond the edges, nor beyond the width plus the square cap.
    QCOMPARE(QColor(image.pixel(20, y - h - 1)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(20, y + h + 1)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(40 + t, y)), QColor(Qt::white));
}

void TestLook::markersOnYChange()
{
    Fixture f;
    Look* look = f.look();
    for (double v : {1.0, 1.0, 2.0, std::nan(""), std::nan(""), 2.0})
        f.dataSet->append(f.y->dataSize(), v);
    QVERIFY(!look->mustDrawMarker(2)); // not wanted yet
    look->setDrawMarkerOnYValueChange(true);
    QVERIFY(!look->mustDrawMarker(0));
    QVERIFY(!look->mustDrawMarker(1));
    QVERIFY(look->mustDrawMarker(2));
    QVERIFY(look->mustDrawMarker(3));
    QVERIFY(look->mustDrawMarker(4)); // NaN never equals NaN
    QVERIFY(look->mustDrawMarker(5));
}

// ---------------------------------------------------------------------------
// Long random sequences of appends, appearance changes, left shifts and
// decimations, checked after every step against a per-index reference.

void TestLook::randomizedAgainstModel_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 7u, 2024u, 31337u, 987654321u})
        QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed;
}

void TestLook::randomizedAgainstModel()
{
    QFETCH(quint32, seed);
    QTest::failOnWarning(QRegularExpression("searchApplicableIndex"));
    QRandomGenerator random(seed);
    const Entry palette[] = {defaultEntry, red, green, blue, Entry(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 1)};
    const int paletteSize = int(sizeof(palette) / sizeof(palette[0]));

    Fixture f;
    Look* look = f.look();
    std::vector<Entry> reference;   // appearance of every data index
    std::vector<bool> starts{false}; // a change starts exactly here; one slot more for the next index
    Entry tail = defaultEntry;       // appearance of indices not yet appended
    std::vector<bool> covered;       // a recorded change (not the default) applies here
    bool tailCovered = false;

    int leftShifts = 0;
    int decimations = 0;
    int restarts = 0;
    for (int step = 0; step < 2500; ++step) {
        const int size = int(reference.size());
        const int op = random.bounded(100);
        QString what;
        if (op < 55) {
            const int count = 1 + random.bounded(10);
            for (int i = 0; i < count; ++i) {
                f.dataSet->append(f.x->dataSize(), random.bounded(3));
                reference.push_back(tail);
                starts.push_back(false);
                covered.push_back(tailCovered);
            }
            what = QString("append %1").arg(count);
        } else if (op < 75) {
            const Entry entry = palette[random.bounded(paletteSize)];
            look->changeFromLast(entry);
            if (size > 0)
                reference[size - 1] = entry;
            starts[size] = false; // a change waiting for the next index is replaced
            if (size > 0) {
                starts[size - 1] = true;
                covered[size - 1] = true;
            }
            tail = entry;
            tailCovered = true;
            what = "change";
        } else if (op < 82 && size > 0) {
            // (Before any data the colour would be compared with the appearance at
            // index -1, which the per-index reference does not model.)
            const QColor color = palette[random.bounded(paletteSize)].color;
            const Entry current = reference[size - 1];
            look->changeFromLast(color);
            if (current.color != color) {
                const Entry entry(color, current.symbol, current.penStyle, current.lineThickness);
                reference[size - 1] = entry;
                starts[size - 1] = true;
                covered[size - 1] = true;
                starts[size] = false;
                tail = entry;
                tailCovered = true;
            }
            what = "change colour";
        } else if (op < 96) {
            // Mostly the few oldest points, as a live series drops them; sometimes a lot.
            const int count = random.bounded(5) == 0 ? random.bounded(size + 4) : random.bounded(8);
            const int removed = std::min(count, size);
            f.x->leftshift(count); // reaches the look through the data set
            f.y->leftshift(count);
            reference.erase(reference.begin(), reference.begin() + removed);
            starts.erase(starts.begin(), starts.begin() + removed);
            covered.erase(covered.begin(), covered.begin() + removed);
            ++leftShifts;
            what = QString("left shift %1").arg(count);
        } else if (f.x->getCurrentDecimationFactor() >= (1 << 20)) {
            // The arrays' decimation factor would soon overflow: start afresh.
            f.x->reinit();
            f.y->reinit();
            look->clear();
            reference.clear();
            starts.assign(1, false);
            covered.clear();
            tail = defaultEntry;
            tailCovered = false;
            ++restarts;
            what = "restart";
        } else {
            f.x->decimateKeepEven();
            f.y->decimateKeepEven();
            look->decimateKeepEven();
            std::vector<Entry> kept;
            std::vector<bool> keptStarts;
            std::vector<bool> keptCovered;
            for (int i = 0; i < size; i += 2) {
                kept.push_back(reference[i]);
                keptCovered.push_back(covered[i]);
            }
            for (int d = 0; d <= int(kept.size()); ++d) {
                const bool even = 2 * d <= size && starts[2 * d];
                const bool odd = d > 0 && 2 * d - 1 <= size && starts[2 * d - 1];
                keptStarts.push_back(even || odd);
            }
            reference = kept;
            starts = keptStarts;
            covered = keptCovered;
            ++decimations;
            what = "decimate";
        }

        const int n = int(reference.size());
        QCOMPARE(f.x->dataSize(), n);
        QCOMPARE(f.y->dataSize(), n);
        // Forward, as the canvas draws ...
        for (int i = 0; i < n; ++i) {
            if (look->getApplicableLookEntry(i) != reference[i])
                QFAIL(qPrintable(QString("step %1 (%2): wrong appearance at %3 of %4").arg(step).arg(what).arg(i).arg(n)));
            if (look->isChanged(i) != (i == 0 || starts[i]))
                QFAIL(qPrintable(QString("step %1 (%2): wrong change flag at %3").arg(step).arg(what).arg(i)));
        }
        QCOMPARE(look->getApplicableLookEntry(n), tail);
        if (n > 0)
            QCOMPARE(look->isChanged(n), bool(starts[n]));
        // ... and in random order, so the search starts from arbitrary positions.
        for (int probe = 0; probe < std::min(n, 40); ++probe) {
            const int i = random.bounded(n);
            if (look->getApplicableLookEntry(i) != reference[i])
                QFAIL(qPrintable(QString("step %1 (%2): wrong random-access appearance at %3").arg(step).arg(what).arg(i)));
        }
        // Every appearance other than the default that shows comes from a change.
        const QSet<Entry> present = look->getPresentLookEntries();
        for (const Entry& e : reference) {
            if (e != defaultEntry && !present.contains(e))
                QFAIL(qPrintable(QString("step %1 (%2): appearance missing from present entries").arg(step).arg(what)));
        }
        // A left shift rebuilds the set from the changes that are left: exactly
        // the one applying at 0 and those starting later.  Superfluous changes
        // left behind by a faulty rewrite would show up here.
        if (what.startsWith("left shift")) {
            QSet<Entry> expected;
            if (n == 0 && tailCovered)
                expected.insert(tail);
            if (n > 0 && covered[0])
                expected.insert(reference[0]);
            for (int i = 1; i < n; ++i) {
                if (starts[i])
                    expected.insert(reference[i]);
            }
            if (starts[n])
                expected.insert(tail);
            if (present != expected)
                QFAIL(qPrintable(QString("step %1 (%2): present entries differ from the remaining changes").arg(step).arg(what)));
        }
    }
    // The run must actually have exercised the interesting operations.
    QVERIFY(leftShifts > 50);
    QVERIFY(decimations > 30);
    QVERIFY(restarts > 0);
}

void TestLook::cleanupTestCase()
{
    QCOMPARE(MemLeakTracer::getInstance()->liveObjects(), (QMap<QString, int>()));
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
