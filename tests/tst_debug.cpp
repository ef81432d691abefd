#include "dbg.h"
#include "dbgmsgbuffer.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// Compiled into this test's own copy of the layer only: back to the state of a freshly started program.
void dbg_ResetForTesting();

namespace {

// ---- an in-process callback record that records everything ----------------------------
using Lines = std::vector<std::pair<QByteArray, int>>; // text and stream, or line and length
Lines delivered, hooked;
std::vector<int> heard, lockDepths;
std::map<std::string, const char*> environment; // a null value: not set
std::vector<FILE*> logStreams;
int lockDepth = 0;
unsigned long long clockValue = 0;

void lockFn(void*) { ++lockDepth; }
void unlockFn(void*) { --lockDepth; }
void threadNameFn(char* buffer, int size) { std::snprintf(buffer, size_t(size), "worker"); }
unsigned long long timeFn() { return clockValue; }
void logOpenedFn(FILE* stream) { logStreams.push_back(stream); }
void outputFn(const char* text, int stream) { delivered.emplace_back(text, stream), lockDepths.push_back(lockDepth); }
const char* getenvFn(const char* name) { return environment.count(name) ? environment[name] : nullptr; }
void listenerFn(int level) { heard.push_back(level); }
void hookFn(const char* line, int length) { hooked.emplace_back(line, length); }

DbgCallbackFunctions_t testRecord = {&lockFn, &unlockFn, nullptr, &threadNameFn, nullptr, nullptr, nullptr, &timeFn,
                                     nullptr, &logOpenedFn, &outputFn, &getenvFn, nullptr};

// Initialises the layer afresh against the given environment; assertions continue.
void restart(const std::map<std::string, const char*>& env, int maxMessageLength = 3072,
             const char* logFileVariable = nullptr)
{
    dbg_ResetForTesting();
    delivered = hooked = Lines();
    heard = lockDepths = std::vector<int>();
    logStreams.clear();
    environment = env;
    clockValue = 0;
    dbg_SetCallbackFunctions(&testRecord);
    dbg_TraceSetListener(&listenerFn);
    dbg_SetErrorHook(&hookFn);
    dbg_Init(logFileVariable, 1, 0, maxMessageLength);
}

void assertTimeGrid()
{
    dbg_Assert("zebplot", "LinearTimeGrid", "getLabel", "lineartimegrid.cpp", 199, "eSHOW_EOL should not occur");
}

// 79 characters and a line feed with the default header pieces.
const QByteArray kTimeGridLine = " ASSERT: LinearTimeGrid Ln: 199             getLabel eSHOW_EOL should not occur\n";

// ---- a fatal assertion ends the program, so it runs in a copy of this binary --------------
void printListener(int level) { std::printf("listener %d\n", level); }
void returningAbort() { std::printf("abort callback\n"); }
void clearingAbort() { dbg_SetCallbackFunctions(nullptr); }
void printDump(int value)
{
    char line[64];
    void* cursor = nullptr;
    std::printf("dump %d %d\n", value, Zeb::DbgDump_getNextLine(line, sizeof line, 0, cursor, false));
}

// Runs before main() when the variable is set; the layer's start-up object, linked first, has already run.
struct ChildScenario
{
    ChildScenario()
    {
        const char* name = std::getenv("ZEB_DBG_CHILD");
        if (!name)
            return;
        const std::string scenario = name;
        rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        static DbgCallbackFunctions_t record = *getCallBackFunctions();
        static char block[512];
        record.abort = scenario == "abortReturns"  ? &returningAbort
                       : scenario == "abortClears" ? &clearingAbort
                                                   : nullptr;
        record.dump = &printDump;
        dbg_SetCallbackFunctions(scenario == "noRecord" ? nullptr : &record);
        if (scenario == "listener")
            dbg_TraceSetListener(&printListener);
        if (scenario == "dump") {
            Zeb::DbgDump_setTraceBuffer(block, sizeof block);
            Zeb::dbgMsgBufferPush("earlier line\n");
            dbg_Init(nullptr, 0, 7, 3072);
        }
        if (scenario == "terminated")
            dbg_Terminate();
        if (scenario == "long")
            dbg_AssertArg("zebplot", "XYCanvas", "f", "f.cpp", 1, "%s", std::string(4000, 'x').c_str());
        assertTimeGrid();
        std::printf("survived\n");
        std::exit(0);
    }
} childScenario;

// On a crash QProcess reports the terminating signal as the exit code.
struct ChildResult { bool crashed; int signal; QByteArray out, err; };

ChildResult runChild(const QString& scenario, const QString& traceInfo = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith("ZEB_"))
            env.remove(key);
    env.insert("ZEB_DBG_CHILD", scenario);
    if (!traceInfo.isEmpty())
        env.insert("ZEB_TRACEINFO", traceInfo);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(), {});
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::CrashExit, process.exitCode(), process.readAllStandardOutput(),
            process.readAllStandardError()};
}

} // namespace

class TestDebug : public QObject
{
    Q_OBJECT

private slots:
    void fatalAssertionsStopTheProgram();
    void linesHeadersAndDelivery();
    void longLinesAreCut();
    void environmentConfiguration();
    void initTerminateAndLogFile();
};

void TestDebug::fatalAssertionsStopTheProgram()
{
    // The layer's start-up object has set it up before main().
    QCOMPARE(dbg_SubModActive("zebplot", "XYPlot"), 1);

    const struct { const char* scenario; const char* traceInfo; QByteArray out, err; } cases[] = {
        {"assert", "", "", kTimeGridLine},
        {"listener", "", "listener 32\n", kTimeGridLine},
        // The start-up object read the environment.
        {"assert", "LINE,LEVEL", "", " ASSERT: Ln: 199 eSHOW_EOL should not occur\n"},
        // Stop paths: no record; an abort callback that returns; one that clears the record.
        {"noRecord", "", "", "Abnormal program termination...\n"},
        {"abortReturns", "", "abort callback\n", kTimeGridLine},
        {"abortClears", "", "", kTimeGridLine + "Abnormal program termination...\n"},
        // The dump callback gets the dump value with ring dumping already off.
        {"dump", "", "dump 7 0\n", kTimeGridLine},
        // Not initialised: no line, but the program still stops.
        {"terminated", "", "", ""},
    };
    for (const auto& c : cases) {
        const ChildResult r = runChild(c.scenario, c.traceInfo);
        QVERIFY2(r.crashed && r.signal == SIGABRT, c.scenario);
        QCOMPARE(r.out, c.out);
        QCOMPARE(r.err, c.err);
    }
    // Messages of up to 3072 characters, as the initialiser asked for.
    const ChildResult r = runChild("long");
    QVERIFY(r.err.size() == 3072 + 127 && r.err.endsWith("xx\n"));
}

void TestDebug::linesHeadersAndDelivery()
{
    // An assertion goes to stream 1 under the lock, into the ring and to the listener.
    std::vector<char> block(1024);
    Zeb::DbgDump_setTraceBuffer(block.data(), block.size());
    restart({});
    assertTimeGrid();
    QCOMPARE(delivered, Lines({{kTimeGridLine, 1}}));
    QVERIFY(lockDepths == std::vector<int>{1} && lockDepth == 0 && dbg_IsBusy() == 0);
    void* cursor = nullptr;
    QCOMPARE(Zeb::dbgMsgBufferPeekNext(cursor, false), kTimeGridLine);
    Zeb::DbgDump_setTraceBuffer(nullptr, 0);

    // Error and assertion lines go to stream 1 and reach the listener; only
    // error lines of the text producers reach the error hook.
    dbg_AssertArg("zebplot", "XYCanvas", "setView", "c.cpp", 7, "index %d of %d", 5, 3);
    dbg_Trace(1, "zebplot", "Canvas", "paint", "c.cpp", 12, "broken");
    dbg_TraceArg(4, "zebplot", "Canvas", "paint", "c.cpp", 12, "n=%d", 3);
    dbg_TraceContArg(1, "cont %s", "x");
    dbg_TraceIn(1, "zebplot", "Canvas", "paint", "c.cpp", 12);
    dbg_DumpInfo("prepared 32\n", 32);
    dbg_DumpInfo("prepared 16\n", 16);
    dbg_Trace(32, "zebplot", "Canvas", "paint", "c.cpp", 12, "as assertion");
    dbg_Trace(3, "zebplot", "Canvas", "paint", "c.cpp", 12, "odd level");
    const Lines expected = {
        {kTimeGridLine, 1},
        {" ASSERT:   XYCanvas Ln:   7              setView index 5 of 3\n", 1},
        {" Lv: Err     Canvas Ln:  12                paint broken\n", 1},
        {" Lv:   0     Canvas Ln:  12                paint n=3\n", 2},
        {"cont x\n", 1},
        {" Lv: Err     Canvas Ln:  12                paint>\n", 1},
        {"prepared 32\n", 1},
        {"prepared 16\n", 2},
        {" ASSERT:     Canvas Ln:  12                paint as assertion\n", 1},
        {" Lv: Unk     Canvas Ln:  12                paint odd level\n", 2},
    };
    QCOMPARE(delivered, expected);
    QCOMPARE(heard, (std::vector<int>{32, 32, 1, 1, 1, 32, 32}));
    QCOMPARE(hooked, Lines({{expected[2].first, int(expected[2].first.size()) + 1}, {"cont x\n", 8}}));

    // After the last dbg_Terminate nothing is produced, and a continued assertion returns.
    dbg_Terminate();
    delivered.clear();
    dbg_Trace(1, "zebplot", "Canvas", "paint", "c.cpp", 12, "late");
    assertTimeGrid();
    QVERIFY(delivered.empty());

    // Every header piece; the time callback counts when no time is fixed.
    restart({{"ZEB_TRACEINFO", "all"}});
    dbg_SetTime(1234567890);
    dbg_Trace(4, "zebplot", "Look", "apply", "look.cpp", 42, "hello");
    QCOMPARE(delivered.back().first, QByteArray("   1234567 Lv:   0 Thd:          worker    zebplot       Look"
                                                " Ln:  42                apply             look.cpp hello\n"));
    dbg_SetTime(0);
    clockValue = 5000000;
    dbg_TraceOut(2, "m", "s", "f", "x.cpp", 1);
    QVERIFY(delivered.back().first.startsWith("      5000 Lv:Func "));
    // Entry and exit lines carry the function even when its piece is off.
    restart({{"ZEB_TRACEINFO", "LEVEL"}});
    dbg_TraceIn(16, "zebplot", "Look", "apply", "look.cpp", 42);
    dbg_TraceOut(8, "zebplot", "Look", "apply", "look.cpp", 42);
    QCOMPARE(delivered, Lines({{" Lv:   2                apply>\n", 2}, {" Lv:   1                apply<\n", 2}}));
}

void TestDebug::longLinesAreCut()
{
    const std::string message(5000, 'm');
    for (int limit : {100, 1000}) { // stack and heap line buffer
        restart({}, limit);
        dbg_Assert("zebplot", "XYPlot", "f", "f.cpp", 1, message.c_str());
        dbg_Trace(4, "zebplot", "XYPlot", "f", "f.cpp", 1, message.c_str());
        dbg_TraceIn(4, "zebplot", "XYPlot", message.c_str(), "f.cpp", 1);
        dbg_TraceArg(4, "zebplot", "XYPlot", "f", "f.cpp", 1, "%s", message.c_str());
        dbg_TraceContArg(4, "%s", message.c_str());
        QCOMPARE(delivered.size(), size_t(5));
        for (size_t i = 0; i < delivered.size(); ++i) {
            const QByteArray& text = delivered[i].first;
            QCOMPARE(text.size(), limit + 127);
            // Fixed-text lines keep their line feed, formatted messages their last characters.
            QCOMPARE(text.right(2), QByteArray(i < 3 ? "m\n" : "mm"));
        }
    }
}

void TestDebug::environmentConfiguration()
{
    const struct { const char* level; int levelMask; const char* info; int infoMask; } cases[] = {
        {nullptr, 1, nullptr, 106}, {"21FUNC", 27, "LINE,LEVEL", 96}, {"none all", 255, "all", 511},
        {"none", 0, "", 0}};
    for (const auto& c : cases) {
        restart({{"ZEB_TRACELEVEL", c.level}, {"ZEB_TRACEINFO", c.info}});
        QCOMPARE(QList<int>({dbg_GetTraceLevel(), dbg_GetTraceInfo()}), QList<int>({c.levelMask, c.infoMask}));
    }

    // The getenv callback, when present, replaces the process environment.
    qputenv("ZEB_TRACELEVEL", "all");
    restart({{"ZEB_TRACELEVEL", "0"}});
    QCOMPARE(dbg_GetTraceLevel(), 5);
    testRecord.getenv = nullptr;
    restart({});
    testRecord.getenv = &getenvFn;
    QCOMPARE(dbg_GetTraceLevel(), 255);
    qunsetenv("ZEB_TRACELEVEL");

    const struct { const char* modules; const char* submodules; const char* sub; int active; } filters[] = {
        {nullptr, nullptr, "XYPlot", 1},        {"none", "all", "XYPlot", 0},     {"all", "none", "XYPlot", 0},
        {"gui,zebplot", nullptr, "XYPlot", 1},  {"gui", nullptr, "XYPlot", 0},    {nullptr, "XYPlot,Look", "Look", 1},
        {nullptr, "XYPlot,Look", "XYCanvas", 0}};
    for (const auto& f : filters) {
        restart({{"ZEB_MODULES", f.modules}, {"ZEB_SUBMODULES", f.submodules}});
        QCOMPARE(dbg_SubModActive("zebplot", f.sub), f.active);
    }

    // Time window in seconds against a clock in milliseconds; a fixed time wins.
    restart({{"ZEB_STARTTIME", "10"}, {"ZEB_STOPTIME", "20"}});
    QList<int> active;
    for (unsigned long long t : {9999ULL, 10000ULL, 20000ULL, 20001ULL})
        clockValue = t, active << dbg_TimeActive();
    QCOMPARE(active, QList<int>({0, 1, 1, 0}));
    dbg_SetTime(15000);
    QCOMPARE(dbg_TimeActive(), 1);
    restart({});
    clockValue = ~0ULL;
    QCOMPARE(dbg_TimeActive(), 1); // no stop time: unlimited

    // The stand-in's clock runs in the same unit: a window ending an hour from
    // now is active, and the time piece of the header is now in seconds.
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const std::string stop = std::to_string(now + 3600);
    testRecord.time = getCallBackFunctions()->time;
    restart({{"ZEB_STOPTIME", stop.c_str()}, {"ZEB_TRACEINFO", "TIME"}});
    const int windowActive = dbg_TimeActive();
    dbg_Trace(4, "zebplot", "Look", "apply", "look.cpp", 42, "now");
    testRecord.time = &timeFn;
    QCOMPARE(windowActive, 1);
    const QByteArray line = delivered.back().first;
    QVERIFY2(line.at(10) == ' ' && std::abs(line.left(10).trimmed().toLongLong() - now) <= 2, line.constData());
}

void TestDebug::initTerminateAndLogFile()
{
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/trace.log").toStdString();
    restart({{"ZEB_LOGFILE", path.c_str()}});
    QVERIFY(logStreams.size() == 1 && logStreams[0] != stdout && QFile::exists(QString::fromStdString(path)));
    const int fd = fileno(logStreams[0]);

    // A second dbg_Init reads nothing new and needs its own dbg_Terminate.
    environment = {{"ZEB_TRACELEVEL", "all"}};
    dbg_Init(nullptr, 1, 0, 3072);
    QCOMPARE(dbg_GetTraceLevel(), 1);
    dbg_Terminate();
    QVERIFY(dbg_SubModActive("zebplot", "XYPlot") == 1 && fcntl(fd, F_GETFD) != -1);
    dbg_Terminate();
    QVERIFY(dbg_SubModActive("zebplot", "XYPlot") == -1 && fcntl(fd, F_GETFD) == -1);
    dbg_Terminate(); // unbalanced: no effect
    dbg_Init(nullptr, 1, 0, 3072);
    QVERIFY(dbg_SubModActive("zebplot", "XYPlot") == 1 && logStreams.size() == 1);

    // The variable named by the caller replaces ZEB_LOGFILE; no usable file means standard output.
    const std::string own = (dir.path() + "/own.log").toStdString();
    const std::string unused = (dir.path() + "/unused.log").toStdString();
    restart({{"HOST_LOG", own.c_str()}, {"ZEB_LOGFILE", unused.c_str()}}, 3072, "HOST_LOG");
    QVERIFY(QFile::exists(QString::fromStdString(own)) && !QFile::exists(QString::fromStdString(unused)));
    const std::string missing = dir.path().toStdString() + "/missing/dir.log";
    restart({{"ZEB_LOGFILE", missing.c_str()}});
    QCOMPARE(logStreams, std::vector<FILE*>{stdout});

    // A log file that cannot be closed cleanly is reported on stream 1.
    restart({{"ZEB_LOGFILE", "/dev/full"}});
    QVERIFY(logStreams[0] != stdout);
    std::fputs("pending", logStreams[0]);
    dbg_Terminate();
    QCOMPARE(delivered, Lines({{"dbg_Terminate failed", 1}, {" could not close file.", 1}}));
}

QTEST_MAIN(TestDebug)
#include "tst_debug.moc"
