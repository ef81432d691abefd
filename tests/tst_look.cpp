#include "lookhelpers.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <cmath>
#include <memory>
#include <vector>

namespace {

const Entry defaultEntry(Qt::black, SYMBOL_DOT, Qt::SolidLine, 1);
const Entry red(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1);
const Entry green(Qt::green, SYMBOL_CROSS, Qt::DashLine, 2);
const Entry blue(Qt::blue, SYMBOL_CIRCLE, Qt::DotLine, 3);

struct Fixture
{
    std::unique_ptr<XYDataSet> dataSet{newDataSet(defaultEntry)};
    Look* look = dataSet->getLook();
    // Records a change starting exactly at index.
    void changeAt(int index, Entry const& entry)
    {
        appendUpTo(dataSet.get(), index + 1);
        look->changeFromLast(entry);
    }
};

} // namespace

class TestLook : public QObject
{
    Q_OBJECT

private slots:
    void entryHashAndMetaType();
    void changeFromLast();
    void lastAppearanceAndDefaults();
    void leftShiftAndDecimate();
    void presentEntriesAndLegendTexts();
    void fixedPositionsAndInterpolation();
    void colorBarBackground_data();
    void colorBarBackground();
    void randomizedAgainstModel_data();
    void randomizedAgainstModel();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestLook::entryHashAndMetaType()
{
    QVERIFY(!Entry().color.isValid());
    QVERIFY(red != Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 2));
    // Hosts may rely on the documented hash of the packed RGB value and the fields.
    QCOMPARE(qHash(green, 42), qHash(int((255 << 8) ^ 3 ^ 2 ^ 2), 42));
    QCOMPARE((QSet<Entry>{red, green, Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 1)}).size(), 2);
    // Entries travel in queued signals and variants under their spelled-out name.
    QCOMPARE(QMetaType::fromName("Look::Entry").id(), qMetaTypeId<Look::Entry>());
    QCOMPARE(QVariant::fromValue(blue).value<Look::Entry>(), blue);
}

void TestLook::changeFromLast()
{
    Fixture f;
    QVERIFY(f.look->isChanged(0));
    QVERIFY(!f.look->isChanged(5));
    QCOMPARE(f.look->getApplicableLookEntry(7), defaultEntry);

    appendUpTo(f.dataSet.get(), 10);
    f.look->changeFromLast(red);
    QCOMPARE(f.look->getApplicableLookEntry(8), defaultEntry);
    QCOMPARE(f.look->getApplicableLookEntry(9), red);
    QCOMPARE(f.look->getApplicableLookEntry(30), red);
    QVERIFY(f.look->isChanged(9));
    QVERIFY(!f.look->isChanged(10));
    // Twice without new data: the second replaces the first.
    f.look->changeFromLast(green);
    QCOMPARE(f.look->getApplicableLookEntry(9), green);
    QCOMPARE(f.look->getApplicableLookEntry(8), defaultEntry);

    // Only the colour: the rest of the applying entry is kept; nothing is
    // recorded when the colour already applies.
    appendUpTo(f.dataSet.get(), 15);
    f.look->changeFromLast(QColor(Qt::green));
    QVERIFY(!f.look->isChanged(14));
    f.look->changeFromLast(QColor(Qt::magenta));
    QCOMPARE(f.look->getApplicableLookEntry(14), Entry(Qt::magenta, SYMBOL_CROSS, Qt::DashLine, 2));
    QCOMPARE(f.look->getApplicableLookEntry(13), green);

    // A change made before any data applies from the very start.
    Fixture empty;
    empty.look->changeFromLast(blue);
    QCOMPARE(empty.look->getApplicableLookEntry(0), blue);
    QCOMPARE(empty.look->getApplicableLookEntry(-2), defaultEntry);

    f.look->clear();
    QCOMPARE(f.look->getApplicableLookEntry(14), defaultEntry);
    QVERIFY(f.look->getPresentLookEntries().isEmpty());
}

void TestLook::lastAppearanceAndDefaults()
{
    Fixture f;
    QSignalSpy last(f.look, SIGNAL(lastAppearanceChanged()));
    f.look->checkAndEmitLastAppearanceChanged(); // nothing to report without data
    QCOMPARE(last.count(), 0);
    appendUpTo(f.dataSet.get(), 3);
    f.look->checkAndEmitLastAppearanceChanged(); // the first check always reports
    f.look->checkAndEmitLastAppearanceChanged();
    QCOMPARE(last.count(), 1);
    f.look->changeFromLast(red);
    appendUpTo(f.dataSet.get(), 4);
    f.look->changeFromLast(red); // recorded, but the newest appearance is unchanged
    QCOMPARE(last.count(), 2);
    QVERIFY(f.look->isChanged(3));

    f.look->setDefault(defaultEntry.color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness);
    f.look->setDefaultLineThickness(1);
    QCOMPARE(last.count(), 2);
    f.look->setDefault(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 4);
    f.look->setDefaultLineThickness(6);
    QCOMPARE(last.count(), 4);
    QCOMPARE(f.look->getApplicableLookEntry(0), Entry(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 6));

    QVERIFY(f.look->isFixedSingleColor());
    f.look->multiLineCount = 3;
    QVERIFY(!f.look->isFixedSingleColor());
    f.look->multiLineCount = 1;
    f.look->setColorBar(5);
    QVERIFY(!f.look->isFixedSingleColor());
}

void TestLook::leftShiftAndDecimate()
{
    {
        // Changes at 4 and 10: the one at 4 applied to old index 6 and moves to 0.
        Fixture f;
        f.changeAt(4, red);
        f.changeAt(10, green);
        f.look->leftShift(6);
        QCOMPARE(f.look->getApplicableLookEntry(-1), defaultEntry);
        QCOMPARE(f.look->getApplicableLookEntry(0), red);
        QCOMPARE(f.look->getApplicableLookEntry(3), red);
        QCOMPARE(f.look->getApplicableLookEntry(4), green);
        QVERIFY(f.look->isChanged(4));
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{red, green}));
        // Shifting the arrays past every point leaves the newest appearance ...
        f.dataSet->xData->leftshift(20);
        f.dataSet->yData->leftshift(20);
        QCOMPARE(f.look->getApplicableLookEntry(0), green);
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{green}));
        // ... until a change on the now empty data set replaces it entirely.
        f.look->changeFromLast(blue);
        QCOMPARE(f.look->getApplicableLookEntry(0), blue);
        f.look->fillPresentLookEntries();
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{blue}));
    }
    {
        // A change at 50 only: it simply moves to 40.
        Fixture f;
        f.changeAt(50, red);
        f.look->leftShift(10);
        QCOMPARE(f.look->getApplicableLookEntry(39), defaultEntry);
        QCOMPARE(f.look->getApplicableLookEntry(40), red);
    }
    {
        // Changes at 3, 4 and 9: 3 would start where 4 now starts, so it is dropped.
        Fixture f;
        f.changeAt(3, red);
        f.changeAt(4, green);
        f.changeAt(9, blue);
        f.look->decimateKeepEven();
        QCOMPARE(f.look->getApplicableLookEntry(1), defaultEntry);
        QCOMPARE(f.look->getApplicableLookEntry(2), green);
        QCOMPARE(f.look->getApplicableLookEntry(4), green);
        QCOMPARE(f.look->getApplicableLookEntry(5), blue);
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{red, green, blue})); // untouched
        f.look->fillPresentLookEntries();
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{green, blue}));
    }
    {
        // Decimation can leave a change waiting for the next index (old 9 -> 5);
        // a change at the newest index (4) then replaces both.
        Fixture f;
        f.changeAt(8, red);
        f.changeAt(9, green);
        f.dataSet->xData->decimateKeepEven();
        f.dataSet->yData->decimateKeepEven();
        f.look->decimateKeepEven();
        QCOMPARE(f.look->getApplicableLookEntry(5), green);
        f.look->changeFromLast(blue);
        QCOMPARE(f.look->getApplicableLookEntry(5), blue);
        f.look->fillPresentLookEntries();
        QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{blue}));
    }
    {
        // A change made before any data becomes a change at 0.
        Fixture f;
        f.look->changeFromLast(red);
        f.changeAt(7, green);
        f.look->decimateKeepEven();
        QCOMPARE(f.look->getApplicableLookEntry(0), red);
        QCOMPARE(f.look->getApplicableLookEntry(3), red);
        QCOMPARE(f.look->getApplicableLookEntry(4), green);
    }
}

void TestLook::presentEntriesAndLegendTexts()
{
    Fixture f;
    QSignalSpy present(f.look, SIGNAL(presentLookEntriesChanged()));
    f.changeAt(2, red);
    f.changeAt(5, green);
    f.changeAt(8, red);
    QCOMPARE(present.count(), 2); // red again does not grow the set
    f.look->registerLookEntryPresence(blue, false);
    QCOMPARE(present.count(), 2);
    QCOMPARE(f.look->getLookEntriesForLegend().size(), 3);
    f.look->fillPresentLookEntries(); // rebuilt from the changes only
    QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{red, green}));

    // The most specific matching legend text wins; a vaguer later one cannot override.
    const Entry redSolid(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 7);
    f.look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::NoPen, 0), "A", Look::Color);
    f.look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, 0), "B", Look::Color | Look::PenStyle);
    f.look->setLegendText(Qt::red, "C");
    QCOMPARE(f.look->getLookEntryLegendText(redSolid), QString("B"));
    QCOMPARE(f.look->getLookEntryLegendText(Entry(Qt::red, SYMBOL_PLUS, Qt::DashLine, 7)), QString("C"));
    QCOMPARE(f.look->getLookEntryLegendText(Entry(Qt::blue, SYMBOL_PLUS, Qt::SolidLine, 7)), QString());
    f.look->setLegendText(redSolid, "D", Look::Color | Look::Symbol | Look::PenStyle | Look::LineThickness);
    QCOMPARE(f.look->getLookEntryLegendText(redSolid), QString("D"));
    QCOMPARE(f.look->getLookEntryLegendText(Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 7)), QString("B"));

    // Colour-only texts take the other fields from the defaults.
    QCOMPARE(f.look->getLookEntryByLegendText("C"), red);
    QVERIFY(!f.look->getLookEntryByLegendText("nothing").color.isValid());
    f.look->setMustIncludeAllEntriesInLegend(true);
    const QList<Entry> all = f.look->getLookEntriesForLegend();
    QCOMPARE(all.size(), 4);
    QCOMPARE(all.last(), redSolid);
}

void TestLook::fixedPositionsAndInterpolation()
{
    Fixture f;
    QCOMPARE(f.look->getFixedYPosition(200), 0);
    f.look->setOffsettedFixedPositioned(-20);
    QCOMPARE(f.look->getFixedYPosition(200), 180);
    f.look->setFractionallyFixedPositioned(0.25f);
    QCOMPARE(f.look->getFixedYPosition(200), 50);
    QCOMPARE(f.look->getOffset(), 0);
    f.look->setFractionallyFixedPositioned(0.5f);
    QCOMPARE(f.look->getFixedYPosition(5), 3); // halves round away from zero
    QCOMPARE(f.look->getFixedYPosition(-5), -3);
    f.look->setFractionallyFixedPositioned(-1.0f);
    QVERIFY(f.look->isAutoPositioned());
    f.look->setAutoPosition(0.75f);
    QCOMPARE(f.look->getFixedYPosition(100), 75);

    // Colour bars scale their offset with the render settings in force.
    f.look->setColorBar(-20);
    QVERIFY(!f.look->isAutoPositioned());
    PlotRenderSettings_t wide = *getPlotRenderSettings();
    wide.colorBarWidthFactor = 3;
    plotRenderSettings.append(wide);
    QCOMPARE(f.look->getFixedYPosition(200), 140);
    plotRenderSettings.takeLast();
    QCOMPARE(f.look->getFixedYPosition(200), 180);

    const Entry black(QColor(0, 0, 0, 200), SYMBOL_DOT, Qt::SolidLine, 1);
    const Entry white(Qt::white, SYMBOL_CIRCLE, Qt::DashLine, 4);
    const Entry half = Look::interpolateLookEntry(black, white, 0.5);
    QCOMPARE(half, Entry(QColor(128, 128, 128, 200), SYMBOL_DOT, Qt::SolidLine, 3)); // 127.5 and 2.5 round up
    QCOMPARE(Look::interpolateLookEntry(black, white, 0.0), black);
    const Entry quarter = Look::interpolateLookEntry(Entry(QColor(10, 100, 200), SYMBOL_DOT, Qt::SolidLine, 0),
                                                     Entry(QColor(20, 0, 0), SYMBOL_DOT, Qt::SolidLine, 8), 0.25);
    QCOMPARE(quarter.color, QColor(13, 75, 150));
    QCOMPARE(quarter.lineThickness, 2);

    // Markers on y changes; NaN never equals NaN.
    for (double v : {1.0, 1.0, 2.0, std::nan(""), std::nan("")})
        f.dataSet->append(0, v);
    QVERIFY(!f.look->mustDrawMarker(2));
    f.look->setDrawMarkerOnYValueChange(true);
    QVERIFY(!f.look->mustDrawMarker(0));
    QVERIFY(!f.look->mustDrawMarker(1));
    QVERIFY(f.look->mustDrawMarker(2));
    QVERIFY(f.look->mustDrawMarker(4));
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
    std::unique_ptr<XYDataSet> dataSet(newDataSet(Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, thickness)));
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int y = 30;
    {
        QPainter painter(&image);
        dataSet->getLook()->drawColorBarBackground(painter, QPoint(17, y), 40);
    }
    plotRenderSettings.takeLast();

    // Groove colour in the middle, three darker rows towards each edge.
    const int t = thickness * factor;
    const int h = (t + 1) / 2;
    const char* edges[] = {"#e0e0e0", "#e4e4e4", "#e9e9e9"};
    for (int row = y - h; row <= y + h; ++row) {
        const int distance = std::min(y + h - row, row - (y - h));
        // (compared as 8-bit RGB: lighter() leaves 16-bit channels the image cannot hold)
        const QColor expected(QColor(distance < 3 ? edges[distance] : "#ededed").lighter(90).rgb());
        for (int column : {0, 20, 40}) // from x = 0 whatever the x of the position
            QCOMPARE(QColor(image.pixel(column, row)), expected);
    }
    QCOMPARE(QColor(image.pixel(20, y - h - 1)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(20, y + h + 1)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(40 + t, y)), QColor(Qt::white));
}

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

    Fixture f;
    std::vector<Entry> reference;    // appearance of every data index
    std::vector<bool> covered;       // a recorded change (not the default) applies there
    std::vector<bool> starts{false}; // a change starts exactly there; one slot more for the next index
    Entry tail = defaultEntry;       // appearance of indices still to come
    bool tailCovered = false;
    int leftShifts = 0, decimations = 0, restarts = 0;

    auto change = [&](Entry const& entry) {
        const int size = int(reference.size());
        if (size > 0) {
            reference[size - 1] = entry;
            covered[size - 1] = starts[size - 1] = true;
        }
        starts[size] = false; // a change waiting for the next index is replaced
        tail = entry;
        tailCovered = true;
    };

    for (int step = 0; step < 2500; ++step) {
        const int size = int(reference.size());
        const int op = random.bounded(100);
        QString what;
        if (op < 55) {
            for (int i = random.bounded(10); i >= 0; --i) {
                f.dataSet->append(size, random.bounded(3));
                reference.push_back(tail);
                covered.push_back(tailCovered);
                starts.push_back(false);
            }
            what = "append";
        } else if (op < 75) {
            const Entry entry = palette[random.bounded(5)];
            f.look->changeFromLast(entry);
            change(entry);
            what = "change";
        } else if (op < 82 && size > 0) {
            const QColor color = palette[random.bounded(5)].color;
            const Entry current = reference[size - 1];
            f.look->changeFromLast(color);
            if (current.color != color)
                change(Entry(color, current.symbol, current.penStyle, current.lineThickness));
            what = "change colour";
        } else if (op < 96) {
            // Mostly the few oldest points, as a live series drops them; sometimes a lot.
            const int count = random.bounded(5) == 0 ? random.bounded(size + 4) : random.bounded(8);
            const int removed = std::min(count, size);
            f.dataSet->xData->leftshift(count); // reaches the look through the data set
            f.dataSet->yData->leftshift(count);
            reference.erase(reference.begin(), reference.begin() + removed);
            covered.erase(covered.begin(), covered.begin() + removed);
            starts.erase(starts.begin(), starts.begin() + removed);
            ++leftShifts;
            what = "left shift";
        } else if (f.dataSet->xData->getCurrentDecimationFactor() >= (1 << 20)) {
            // The arrays' decimation factor would soon overflow: start afresh.
            f.dataSet->xData->reinit();
            f.dataSet->yData->reinit();
            f.look->clear();
            reference.clear();
            covered.clear();
            starts.assign(1, false);
            tail = defaultEntry;
            tailCovered = false;
            ++restarts;
            what = "restart";
        } else {
            f.dataSet->xData->decimateKeepEven();
            f.dataSet->yData->decimateKeepEven();
            f.look->decimateKeepEven();
            std::vector<Entry> keptReference;
            std::vector<bool> keptCovered, keptStarts;
            for (int i = 0; i < size; i += 2) {
                keptReference.push_back(reference[i]);
                keptCovered.push_back(covered[i]);
            }
            // A change at an odd index moves to the next kept one.
            for (int d = 0; d <= int(keptReference.size()); ++d)
                keptStarts.push_back((2 * d <= size && starts[2 * d]) || (d > 0 && starts[2 * d - 1]));
            reference = keptReference;
            covered = keptCovered;
            starts = keptStarts;
            ++decimations;
            what = "decimate";
        }

        const int n = int(reference.size());
        const QString where = QString("seed %1 step %2 (%3), size %4: ").arg(seed).arg(step).arg(what).arg(n);
        QCOMPARE(f.dataSet->yData->dataSize(), n);
        // Forward, as the canvas draws, then in random order.
        for (int i = 0; i < n; ++i) {
            if (f.look->getApplicableLookEntry(i) != reference[i])
                QFAIL(qPrintable(where + QString("wrong appearance at %1").arg(i)));
            if (f.look->isChanged(i) != (i == 0 || starts[i]))
                QFAIL(qPrintable(where + QString("wrong change flag at %1").arg(i)));
        }
        QCOMPARE(f.look->getApplicableLookEntry(n), tail);
        for (int probe = 0; probe < std::min(n, 40); ++probe) {
            const int i = random.bounded(n);
            if (f.look->getApplicableLookEntry(i) != reference[i])
                QFAIL(qPrintable(where + QString("wrong appearance at %1 in random access").arg(i)));
        }
        // After a left shift the present entries are rebuilt from the changes
        // left: the one applying at 0 and those starting later.  Superfluous
        // changes left behind by a faulty rewrite show up here.
        if (what == "left shift") {
            QSet<Entry> expected;
            if (n == 0 ? tailCovered : bool(covered[0]))
                expected.insert(n == 0 ? tail : reference[0]);
            for (int i = 1; i < n; ++i) {
                if (starts[i])
                    expected.insert(reference[i]);
            }
            if (starts[n])
                expected.insert(tail);
            if (f.look->getPresentLookEntries() != expected)
                QFAIL(qPrintable(where + "present entries differ from the remaining changes"));
        }
    }
    // The run must actually have exercised the interesting operations.
    QVERIFY(leftShifts > 50 && decimations > 30 && restarts > 0);
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
