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
    void cleanup() { DbgDump_setTraceBuffer(nullptr, 0), DbgDump_enableDump(true); }
    void nodeSizes();
    void randomPushesKeepAConsistentRing();
    void dumpLines();
};

void TestDbgMsgBuffer::nodeSizes()
{
    QCOMPARE(QList<int>({msgNodeSizeAligned(40), msgNodeSizeAligned(7), msgNodeSizeAligned(8),
                         msgNodeSizeAligned(5000)}),
             QList<int>({64, 24, 32, 2072}));
    QVERIFY(dbgMsgBufferPush("lost") == 0 && ringTexts().empty()); // without a block nothing is kept

    // 5000 characters are kept as 2048 in a node of 2072 bytes.
    alignas(8) char block[2072];
    DbgDump_setTraceBuffer(block, sizeof block);
    const std::string huge = std::string(2048, 'h') + std::string(2952, 'z');
    QVERIFY(dbgMsgBufferPush(huge.c_str()) == 1 && ringTexts() == Texts{std::string(2048, 'h')});
    DbgDump_setTraceBuffer(block, sizeof block - 8);
    QCOMPARE(dbgMsgBufferPush(huge.c_str()), 0); // can never fit: nothing kept, no crash
    QVERIFY(dbgMsgBufferPush("x") == 1 && ringTexts() == Texts{"x"});
    dbgMsgBufferReset();
    QVERIFY(ringTexts().empty());
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
        QVERIFY(std::equal(kept.begin(), kept.end(), pushed.end() - long(kept.size())) && reversed == kept);
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
    QVERIFY(DbgDump_getNextLine(line, sizeof line, 7, cursor, true) == 16 && QByteArray(line) == "  7 second line\n");
    QVERIFY(DbgDump_getNextLine(line, sizeof line, 12, cursor, true) == 15 && QByteArray(line) == " 12 first line\n");
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 13, cursor, true), 0);
    // A cut line still ends in a line feed; with dumping off nothing is written.
    cursor = nullptr;
    QVERIFY(DbgDump_getNextLine(line, 8, 1, cursor, false) == 7 && QByteArray(line) == "  1 fi\n");
    DbgDump_enableDump(false);
    cursor = nullptr;
    QCOMPARE(DbgDump_getNextLine(line, sizeof line, 1, cursor, false), 0);
}

QTEST_MAIN(TestDbgMsgBuffer)
#include "tst_dbgmsgbuffer.moc"
