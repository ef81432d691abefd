#include <zebplot/zebplot.h>

#include <QtTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace Zeb;
using Texts = std::vector<std::string>;

namespace {

// Every text of the ring, oldest first (or newest first when walking backwards).
Texts ringTexts(bool backwards = false)
{
    Texts texts;
    void* cursor = nullptr;
    while (const char* text = dbgMsgBufferPeekNext(cursor, backwards))
        texts.push_back(text);
    return texts;
}

} // namespace

class TestDbgMsgBuffer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        DbgDump_setTraceBuffer(nullptr, 0);
        DbgDump_enableDump(true);
    }
    void nodeSizes();
    void wrapAroundKeepsNewestLines();
    void randomPushesKeepAConsistentRing();
    void dumpLines();
};

void TestDbgMsgBuffer::nodeSizes()
{
    QCOMPARE(QList<int>({msgNodeSizeAligned(40), msgNodeSizeAligned(7), msgNodeSizeAligned(8),
                         msgNodeSizeAligned(5000)}),
             QList<int>({64, 24, 32, 2072}));
    QCOMPARE(dbgMsgBufferPush("lost"), 0); // without a block nothing is kept
    QVERIFY(ringTexts().empty());

    // 5000 characters are kept as 2048 in a node of 2072 bytes.
    alignas(8) char block[2072];
    DbgDump_setTraceBuffer(block, sizeof block);
    const std::string huge = std::string(2048, 'h') + std::string(2952, 'z');
    QCOMPARE(dbgMsgBufferPush(huge.c_str()), 1);
    QCOMPARE(ringTexts(), Texts{std::string(2048, 'h')});
    DbgDump_setTraceBuffer(block, sizeof block - 8);
    QCOMPARE(dbgMsgBufferPush(huge.c_str()), 0); // can never fit: nothing kept, no crash
    QCOMPARE(dbgMsgBufferPush("x"), 1);
    QCOMPARE(ringTexts(), Texts{"x"});
    dbgMsgBufferReset();
    QVERIFY(ringTexts().empty());
}

void TestDbgMsgBuffer::wrapAroundKeepsNewestLines()
{
    // A block of 160 bytes and nodes of known sizes; the expected contents were
    // worked out by hand from where each node must go.
    alignas(8) char block[160];
    DbgDump_setTraceBuffer(block, sizeof block);
    const struct { char name; int nodeSize; int result; const char* survivors; } steps[] = {
        {'A', 64, 1, "A"},    // 0..64
        {'B', 48, 1, "AB"},   // 64..112
        {'C', 40, 1, "ABC"},  // 112..152
        {'D', 24, 0, "BCD"},  // no room behind C: block start, A dropped
        {'E', 32, 1, "BCDE"}, // 24..56, in the gap before B
        {'F', 24, 0, "CDEF"}, // gap 56..64 too small: B dropped
        {'G', 64, 0, "DEFG"}, // C dropped; D now oldest, G fits behind F at 80..144
        {'H', 48, 0, "FGH"},  // no room behind G: block start, D and E dropped
        {'I', 160, 0, "I"},   // only room after dropping every node, the newest included
        {'J', 24, 0, "J"},
        {'K', 24, 1, "JK"},
        {'L', 64, 1, "JKL"},  // 48..112
        {'M', 40, 1, "JKLM"}, // 112..152
        {'N', 32, 0, "LMN"},  // block start, J and K dropped
        {'O', 24, 0, "MNO"},  // 32..56, L dropped
        {'P', 64, 0, "NOP"},  // M dropped, behind O at 56..120
        {'Q', 40, 1, "NOPQ"}, // 120..160, up to the block end
        {'R', 24, 0, "OPQR"}, // block start, N dropped
        {'S', 32, 0, "PQRS"}, // 24..56, O dropped
        {'T', 64, 0, "QRST"}, // 56..120, P dropped
        // Q dropped, but the 40 bytes behind T are too small: the block start
        // is freed by dropping R and S, while T stays.
        {'U', 48, 0, "TU"},
    };
    auto initials = [](bool backwards) {
        std::string result;
        for (const std::string& text : ringTexts(backwards))
            result += text[0];
        return result;
    };
    for (const auto& step : steps) {
        QCOMPARE(dbgMsgBufferPush(std::string(size_t(step.nodeSize - 23), step.name).c_str()), step.result);
        const std::string survivors = step.survivors;
        QCOMPARE(initials(false), survivors);
        QCOMPARE(initials(true), std::string(survivors.rbegin(), survivors.rend()));
    }
}

void TestDbgMsgBuffer::randomPushesKeepAConsistentRing()
{
    // Whatever the sizes, the ring holds the newest texts without gaps, within
    // the block, and reports 0 exactly when an older text was lost.
    std::vector<char> block(1000); // deliberately not a multiple of 8, start possibly unaligned
    DbgDump_setTraceBuffer(block.data() + 3, block.size() - 3);
    std::mt19937 random(4711);
    Texts pushed;
    size_t keptBefore = 0;
    for (int i = 0; i < 3000; ++i) {
        pushed.push_back(std::to_string(i) + ":" + std::string(random() % (i % 50 == 0 ? 900 : 120), 'v'));
        const int result = dbgMsgBufferPush(pushed.back().c_str());
        const Texts kept = ringTexts();
        Texts reversed = ringTexts(true);
        std::reverse(reversed.begin(), reversed.end());
        QVERIFY(!kept.empty() && kept.size() <= pushed.size());
        QVERIFY(std::equal(kept.begin(), kept.end(), pushed.end() - long(kept.size())));
        QCOMPARE(reversed, kept);
        int used = 0;
        for (const std::string& t : kept)
            used += msgNodeSizeAligned(int(t.size()));
        QVERIFY(used <= 1000 - 3);
        QCOMPARE(result, kept.size() == keptBefore + 1 ? 1 : 0);
        keptBefore = kept.size();
    }
}

void TestDbgMsgBuffer::dumpLines()
{
    alignas(8) char block[256];
    DbgDump_setTraceBuffer(block, sizeof block);
    dbgMsgBufferPush("first line\n");
    dbgMsgBufferPush("second line\n");
    char line[64];
    void* cursor = nullptr;
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 7, cursor, true), 16);
    QCOMPARE(QByteArray(line), QByteArray("  7 second line\n"));
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 12, cursor, true), 15);
    QCOMPARE(QByteArray(line), QByteArray(" 12 first line\n"));
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 13, cursor, true), 0);
    // A cut line still ends in a line feed; with dumping off nothing is written.
    cursor = nullptr;
    QCOMPARE(DbgDump_getNextLine(line, 8, 1, cursor, false), 7);
    QCOMPARE(QByteArray(line), QByteArray("  1 fi\n"));
    DbgDump_enableDump(false);
    cursor = nullptr;
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 1, cursor, false), 0);
}

QTEST_MAIN(TestDbgMsgBuffer)
#include "tst_dbgmsgbuffer.moc"
