#include "lookhelpers.h"

#include <QPainter>
#include <QRandomGenerator>

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
    void signalsAndDefaults();
    void presentEntriesAndLegendTexts();
    void fixedPositionsInterpolationAndMarkers();
    void colorBarBackground();
    void randomizedAgainstModel();
    void cleanupTestCase() { VERIFY_NO_LIVE_OBJECTS(); }
};

void TestLook::signalsAndDefaults()
{
    // Entries travel in queued signals under their spelled-out name; sets tell all four fields apart.
    QCOMPARE(QMetaType::fromName("Look::Entry").id(), qMetaTypeId<Look::Entry>());
    QCOMPARE((QSet<Entry>{red, green, Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 2), red}).size(), 3);

    Fixture f;
    QSignalSpy last(f.look, SIGNAL(lastAppearanceChanged()));
    f.look->checkAndEmitLastAppearanceChanged(); // nothing to report without data
    appendUpTo(f.dataSet.get(), 3);
    f.look->checkAndEmitLastAppearanceChanged(); // the first check on data always reports
    f.look->checkAndEmitLastAppearanceChanged();
    QCOMPARE(last.count(), 1);
    f.look->changeFromLast(red);
    appendUpTo(f.dataSet.get(), 4);
    f.look->changeFromLast(red); // recorded, but the newest appearance is unchanged
    QCOMPARE(last.count(), 2);

    // Defaults report only a real change.
    f.look->setDefault(defaultEntry.color, defaultEntry.symbol, defaultEntry.penStyle, defaultEntry.lineThickness);
    f.look->setDefaultLineThickness(1);
    QCOMPARE(last.count(), 2);
    f.look->setDefault(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 4);
    f.look->setDefaultLineThickness(6);
    QVERIFY(last.count() == 4 && f.look->getApplicableLookEntry(0) == Entry(Qt::gray, SYMBOL_PLUS, Qt::DotLine, 6));

    QVERIFY(f.look->isFixedSingleColor());
    f.look->multiLineCount = 2; // from two parallel lines on
    QVERIFY(!f.look->isFixedSingleColor());
    f.look->multiLineCount = 1;
    f.look->setColorBar(5);
    QVERIFY(!f.look->isFixedSingleColor());

    // Symbols beyond the named ones are the host's to pass; they read back as stored.
    f.look->changeFromLast(Entry(Qt::red, E_SYMBOL(20), Qt::SolidLine, 1));
    QCOMPARE(int(f.look->getSymbol(3)), 20);
}

void TestLook::presentEntriesAndLegendTexts()
{
    Fixture f;
    QSignalSpy present(f.look, SIGNAL(presentLookEntriesChanged()));
    f.changeAt(2, red);
    f.changeAt(5, green);
    f.changeAt(8, red); // red again does not grow the set, nor does a silent registration
    f.look->registerLookEntryPresence(blue, false);
    QVERIFY(present.count() == 2 && f.look->getLookEntriesForLegend().size() == 3);
    // Decimation leaves the set alone; refilling rebuilds it from the changes only.
    f.look->decimateKeepEven();
    QCOMPARE(f.look->getPresentLookEntries().size(), 3);
    f.look->fillPresentLookEntries();
    QCOMPARE(f.look->getPresentLookEntries(), (QSet<Entry>{red, green}));

    // The most specific matching legend text wins; a vaguer later one cannot override.
    const Entry redSolid(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 7);
    f.look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::NoPen, 0), "A", Look::Color);
    f.look->setLegendText(Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, 0), "B", Look::Color | Look::PenStyle);
    f.look->setLegendText(Qt::red, "C");
    auto text = [&](Entry const& e) { return f.look->getLookEntryLegendText(e); };
    QCOMPARE(QStringList({text(redSolid), text(Entry(Qt::red, SYMBOL_PLUS, Qt::DashLine, 7)),
                          text(Entry(Qt::blue, SYMBOL_PLUS, Qt::SolidLine, 7))}), QStringList({"B", "C", ""}));
    f.look->setLegendText(redSolid, "D", Look::Color | Look::Symbol | Look::PenStyle | Look::LineThickness);
    QVERIFY(text(redSolid) == "D" && text(Entry(Qt::red, SYMBOL_DOT, Qt::SolidLine, 7)) == "B");

    // Colour-only texts take the other fields from the defaults.
    QCOMPARE(f.look->getLookEntryByLegendText("C"), red);
    QVERIFY(!f.look->getLookEntryByLegendText("nothing").color.isValid());
    f.look->setMustIncludeAllEntriesInLegend(true);
    const QList<Entry> all = f.look->getLookEntriesForLegend();
    QVERIFY(all.size() == 4 && all.last() == redSolid);
    f.look->clear();
    QVERIFY(f.look->getPresentLookEntries().isEmpty() && f.look->getApplicableLookEntry(8) == defaultEntry);
}

void TestLook::fixedPositionsInterpolationAndMarkers()
{
    Fixture f;
    QCOMPARE(f.look->getFixedYPosition(200), 0);
    f.look->setOffsettedFixedPositioned(-20); // negative offsets count from the far edge
    QCOMPARE(f.look->getFixedYPosition(200), 180);
    f.look->setFractionallyFixedPositioned(0.25f);
    QVERIFY(f.look->getFixedYPosition(200) == 50 && f.look->getOffset() == 0);
    f.look->setFractionallyFixedPositioned(0.5f); // halves round away from zero
    QCOMPARE(QList<int>({f.look->getFixedYPosition(5), f.look->getFixedYPosition(-5)}), QList<int>({3, -3}));
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
    const int widened = f.look->getFixedYPosition(200);
    plotRenderSettings.takeLast();
    QVERIFY(widened == 140 && f.look->getFixedYPosition(200) == 180);

    // Channels and thickness from b * t + a * (1 - t), rounded up at .5; alpha, symbol and pen of a.
    const Entry black(QColor(0, 0, 0, 200), SYMBOL_DOT, Qt::SolidLine, 1);
    const Entry white(Qt::white, SYMBOL_CIRCLE, Qt::DashLine, 4);
    const Entry half(QColor(128, 128, 128, 200), SYMBOL_DOT, Qt::SolidLine, 3);
    QVERIFY(Look::interpolateLookEntry(black, white, 0.5) == half && Look::interpolateLookEntry(black, white, 0) == black);

    // Markers on y changes; NaN never equals NaN.
    for (double v : {1.0, 1.0, 2.0, std::nan(""), std::nan("")})
        f.dataSet->append(0, v);
    QVERIFY(!f.look->mustDrawMarker(2));
    f.look->setDrawMarkerOnYValueChange(true);
    QCOMPARE(QList<bool>({f.look->mustDrawMarker(0), f.look->mustDrawMarker(1), f.look->mustDrawMarker(2),
                          f.look->mustDrawMarker(4)}),
             QList<bool>({false, false, true, true}));
}

void TestLook::colorBarBackground()
{
    // Thickness 3 times a render-settings factor of 3: a groove 9 px wide, edges 5 px from the middle.
    PlotRenderSettings_t settings = *getPlotRenderSettings();
    settings.colorBarWidthFactor = 3;
    plotRenderSettings.append(settings);
    std::unique_ptr<XYDataSet> dataSet(newDataSet(Entry(Qt::red, SYMBOL_NONE, Qt::SolidLine, 3)));
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int y = 30;
    {
        QPainter painter(&image);
        dataSet->getLook()->drawColorBarBackground(painter, QPoint(17, y), 40);
    }
    plotRenderSettings.takeLast();

    // A grey groove from x = 0 whatever the x of the position, darker at its edges.
    for (int row = y - 5; row <= y + 5; ++row)
        for (int column : {0, 20, 40})
            QVERIFY(qGray(image.pixel(column, row)) <= qGray(image.pixel(column, y))
                    && image.pixel(column, row) != qRgb(255, 255, 255));
    QVERIFY(qGray(image.pixel(20, y - 5)) < qGray(image.pixel(20, y)));
    for (QPoint white : {QPoint(20, y - 6), QPoint(20, y + 6), QPoint(49, y)})
        QCOMPARE(QColor(image.pixel(white)), QColor(Qt::white));
}

// Long random sequences of appends, appearance changes, left shifts and
// decimations, checked after every step against a per-index reference.
void TestLook::randomizedAgainstModel()
{
    QTest::failOnWarning(QRegularExpression("searchApplicableIndex"));
    for (quint32 seed : {1u, 7u, 2024u, 31337u, 987654321u}) {
        QRandomGenerator random(seed);
        const Entry palette[] = {defaultEntry, red, green, blue, Entry(Qt::red, SYMBOL_PLUS, Qt::SolidLine, 1)};

        // Per data index: its appearance, whether a recorded change (not the
        // default) applies there, and whether a change starts exactly there.
        struct Slot { Entry entry; bool covered; bool starts; };
        std::vector<Slot> ref;
        Slot tail{defaultEntry, false, false}; // indices still to come; starts: a change waits for the next index
        auto startsAt = [&](int i) {
            return i >= 0 && (i < int(ref.size()) ? ref[i].starts : i == int(ref.size()) && tail.starts);
        };
        auto change = [&](Entry const& entry) {
            if (!ref.empty())
                ref.back() = {entry, true, true};
            tail = {entry, true, false}; // a change waiting for the next index is replaced
        };

        Fixture f;
        int leftShifts = 0, decimations = 0, restarts = 0;
        for (int step = 0; step < 2500; ++step) {
            const int size = int(ref.size());
            const int op = random.bounded(100), shiftsBefore = leftShifts;
            if (op < 55) {
                for (int i = random.bounded(10); i >= 0; --i) {
                    f.dataSet->append(int(ref.size()), random.bounded(3));
                    ref.push_back(tail);
                    tail.starts = false;
                }
            } else if (op < 75) {
                const Entry entry = palette[random.bounded(5)];
                f.look->changeFromLast(entry);
                change(entry);
            } else if (op < 82 && size > 0) {
                const QColor color = palette[random.bounded(5)].color;
                const Entry current = ref.back().entry;
                f.look->changeFromLast(color);
                if (current.color != color)
                    change(Entry(color, current.symbol, current.penStyle, current.lineThickness));
            } else if (op < 96) {
                // Mostly the few oldest points, as a live series drops them; sometimes a lot.
                const int count = random.bounded(5) == 0 ? random.bounded(size + 4) : random.bounded(8);
                f.dataSet->xData->leftshift(count); // reaches the look through the data set
                f.dataSet->yData->leftshift(count);
                ref.erase(ref.begin(), ref.begin() + std::min(count, size));
                ++leftShifts;
            } else if (f.dataSet->xData->getCurrentDecimationFactor() >= (1 << 20)) {
                // The arrays' decimation factor would soon saturate: start afresh.
                f.dataSet->xData->reinit();
                f.dataSet->yData->reinit();
                f.look->clear();
                ref.clear();
                tail = {defaultEntry, false, false};
                ++restarts;
            } else {
                f.dataSet->xData->decimateKeepEven();
                f.dataSet->yData->decimateKeepEven();
                f.look->decimateKeepEven();
                // A change at an odd index moves to the next kept one.
                std::vector<Slot> kept;
                for (int d = 0; 2 * d < size; ++d)
                    kept.push_back({ref[2 * d].entry, ref[2 * d].covered, startsAt(2 * d) || startsAt(2 * d - 1)});
                const int d = int(kept.size());
                tail.starts = startsAt(2 * d) || startsAt(2 * d - 1);
                ref = kept;
                ++decimations;
            }

            const int n = int(ref.size());
            const QString where = QString("seed %1 step %2 (op %3), size %4: ").arg(seed).arg(step).arg(op).arg(n);
            QCOMPARE(f.dataSet->yData->dataSize(), n);
            // Forward, as the canvas draws, then in random order.
            for (int i = 0; i < n; ++i) {
                const bool changed = i == 0 || ref[i].starts;
                if (f.look->getApplicableLookEntry(i) != ref[i].entry || f.look->isChanged(i) != changed)
                    QFAIL(qPrintable(where + QString("wrong appearance or change flag at %1").arg(i)));
            }
            QCOMPARE(f.look->getApplicableLookEntry(n), tail.entry);
            for (int probe = 0; probe < std::min(n, 40); ++probe) {
                const int i = random.bounded(n);
                if (f.look->getApplicableLookEntry(i) != ref[i].entry)
                    QFAIL(qPrintable(where + QString("wrong appearance at %1 in random access").arg(i)));
            }
            // After a left shift the present entries are rebuilt from the changes
            // left: the one applying at 0 and those starting later.  Superfluous
            // changes left behind by a faulty rewrite show up here.
            if (leftShifts > shiftsBefore) {
                QSet<Entry> expected;
                const Slot& first = n ? ref[0] : tail;
                if (first.covered)
                    expected.insert(first.entry);
                for (int i = 1; i <= n; ++i)
                    if (startsAt(i))
                        expected.insert(i < n ? ref[i].entry : tail.entry);
                if (f.look->getPresentLookEntries() != expected)
                    QFAIL(qPrintable(where + "present entries differ from the remaining changes"));
            }
        }
        // The run must actually have exercised the interesting operations.
        QVERIFY(leftShifts > 50 && decimations > 30 && restarts > 0);
    }
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
