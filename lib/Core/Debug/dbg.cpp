// Assertion and trace layer: formats one line per report, hands it to the
// output callback of the callback record, keeps it in the message ring and
// tells the listener.  A failed assertion then stops the program.
#include "dbg.h"

#include "dbgmsgbuffer.h"

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kDefaultTraceInfo = DBG_INFO_SUBMOD | DBG_INFO_FUNC | DBG_INFO_LINE | DBG_INFO_LEVEL; // 106
constexpr int kAllTraceInfo = 511;
constexpr int kAllTraceLevels = 255;
// Lines of up to this many message characters are formatted on the stack;
// longer limits would make every trace call claim several kilobytes of stack.
constexpr int kStackMessageLength = 880;
// Room for the header on top of the message.
constexpr int kHeaderReserve = 128;

enum DbgError {
    DBG_SUCCESS = 0,
    DBG_UNKNOWN_TYPE = 1,
    DBG_FILE_OPEN = 2,
    DBG_NULL_POINTER = 3,
    DBG_NOT_IMPLEMENTED = 4,
    DBG_MUTEX_INIT = 5,
    DBG_FILE_CLOSE = 6
};

const char* errorText(int error)
{
    static const char* const texts[] = {
        " success.",
        " unknown type.",
        " could not open file.",
        " illegal nullpointer passed as argument.",
        " functionality not yet implemented.",
        " Mutex init failed.",
        " could not close file.",
    };
    if (error < 0 || error >= int(sizeof texts / sizeof texts[0]))
        return "Unknown Error";
    return texts[error];
}

// Process-wide state.  Everything is constant-initialised: the library's own
// static initialiser calls dbg_Init while the other translation units of the
// library may not have run their dynamic initialisation yet.
bool initialised = false;
bool environmentRead = false;
int initCount = 0;
int continueAfterAssert = 0;
int dumpValue = 0;
int maxMessageLength = 0;
int traceInfo = kDefaultTraceInfo;
int traceLevel = DBG_LEVEL_ERROR;
bool traceEnabled = true;
unsigned long long fixedTime = 0;
unsigned long long startTime = 0;
unsigned long long stopTime = ULLONG_MAX;
char* moduleFilter = nullptr;
char* subModuleFilter = nullptr;
FILE* logFile = nullptr;
bool logFileOpened = false;
std::atomic<int> busyCount{0};
std::atomic<DbgListener_t> listener{nullptr};
std::atomic<DbgErrorHook_t> errorHook{nullptr};
std::atomic<DbgCallbackFunctions_t*> callbacks{nullptr};

const char* orEmpty(const char* text)
{
    return text ? text : "";
}

const char* levelText(int level)
{
    switch (level) {
    case DBG_LEVEL_ERROR: return "Err";
    case DBG_LEVEL_FUNC: return "Func";
    case DBG_LEVEL_0: return "0";
    case DBG_LEVEL_1: return "1";
    case DBG_LEVEL_2: return "2";
    case DBG_LEVEL_ASSERT: return "ASSERT";
    default: return "Unk";
    }
}

int outputStream(int level)
{
    return level == DBG_LEVEL_ERROR || level == DBG_LEVEL_ASSERT ? 1 : 2;
}

// One line of at most M + 127 characters.  Every append is cut to the room
// left, so the line is always terminated.
class LineBuffer
{
public:
    explicit LineBuffer(int messageLength)
    {
        if (messageLength < 0)
            messageLength = 0;
        const std::size_t wanted = std::size_t(messageLength) + kHeaderReserve;
        if (messageLength > kStackMessageLength)
            heap = new (std::nothrow) char[wanted];
        // Without heap memory the line is still reported, only cut shorter.
        data = heap ? heap : stackBuffer;
        capacity = heap || wanted < sizeof stackBuffer ? wanted : sizeof stackBuffer;
        data[0] = '\0';
    }
    ~LineBuffer() { delete[] heap; }
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;

    void append(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        appendV(format, args);
        va_end(args);
    }

    void appendV(const char* format, va_list args)
    {
        if (length + 1 >= capacity)
            return;
        const int written = std::vsnprintf(data + length, capacity - length, format, args);
        if (written < 0) {
            data[length] = '\0';
            return;
        }
        const std::size_t room = capacity - length - 1;
        length += std::size_t(written) < room ? std::size_t(written) : room;
    }

    // A line that was cut still ends in a line feed.
    void endWithLineFeed()
    {
        if (length + 1 >= capacity)
            data[length - 1] = '\n';
    }

    char* data;
    std::size_t length = 0;

private:
    std::size_t capacity;
    char* heap = nullptr;
    char stackBuffer[kStackMessageLength + kHeaderReserve];
};

// The header pieces selected by the trace-info mask.  alwaysFunction writes the
// function name even when its bit is off (entry and exit lines mean nothing
// without it).
void appendHeader(LineBuffer& line, int level, const char* module, const char* submodule,
                  const char* function, const char* file, int lineNumber, bool alwaysFunction)
{
    const int info = traceInfo;
    if (info & DBG_INFO_TIME)
        line.append("%10llu", dbg_GetTime() / 1000);
    if (info & DBG_INFO_LEVEL) {
        if (level == DBG_LEVEL_ASSERT)
            line.append(" %s:", levelText(level));
        else
            line.append(" Lv:%4s", levelText(level));
    }
    DbgCallbackFunctions_t* record = callbacks.load();
    if ((info & DBG_INFO_THREAD) && record && record->threadName) {
        char name[16] = {};
        record->threadName(name, int(sizeof name));
        name[sizeof name - 1] = '\0';
        line.append(" Thd:%16s", name);
    }
    if (info & DBG_INFO_MODULE)
        line.append(" %10s", orEmpty(module));
    if (info & DBG_INFO_SUBMOD)
        line.append(" %10s", orEmpty(submodule));
    if (info & DBG_INFO_LINE)
        line.append(" Ln:%4d", lineNumber);
    if ((info & DBG_INFO_FUNC) || alwaysFunction)
        line.append(" %20s", orEmpty(function));
    if (info & DBG_INFO_FILE)
        line.append(" %20s", orEmpty(file));
}

void output(const char* text, int stream)
{
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->output)
        record->output(text, stream);
}

// Hands a finished line to the output callback and the ring, then tells the
// listener and, for error lines, the error hook.  The caller has already
// counted itself busy.
void deliver(const char* text, std::size_t length, int level, bool callErrorHook)
{
    dbg_lock();
    output(text, outputStream(level));
    Zeb::dbgMsgBufferPush(text);
    dbg_unlock();
    if (level == DBG_LEVEL_ERROR || level == DBG_LEVEL_ASSERT) {
        if (DbgListener_t tell = listener.load())
            tell(level);
    }
    if (callErrorHook && level == DBG_LEVEL_ERROR) {
        if (DbgErrorHook_t hook = errorHook.load())
            hook(text, int(length) + 1);
    }
}

void reportAssertion(const char* module, const char* submodule, const char* function, const char* file,
                     int lineNumber, const char* format, va_list* args, const char* text)
{
    if (initialised) {
        ++busyCount;
        {
            LineBuffer line(maxMessageLength);
            appendHeader(line, DBG_LEVEL_ASSERT, module, submodule, function, file, lineNumber, false);
            if (args) {
                line.append(" ");
                line.appendV(format, *args);
                line.append("\n");
            } else {
                line.append(" %s\n", orEmpty(text));
            }
            line.endWithLineFeed();
            dbg_lock();
            output(line.data, 1);
            Zeb::dbgMsgBufferPush(line.data);
            dbg_unlock();
        }
        if (DbgListener_t tell = listener.load())
            tell(DBG_LEVEL_ASSERT);
        if (continueAfterAssert) {
            --busyCount;
            return;
        }
        DbgCallbackFunctions_t* record = callbacks.load();
        if (dumpValue != 0 && record && record->dump) {
            Zeb::DbgDump_enableDump(false);
            record->dump(dumpValue);
        }
    } else if (continueAfterAssert) {
        return;
    }
    dbg_Abort();
}

// Body variants of the trace producers.
enum class Body { Text, Format, In, Out };

void trace(int level, const char* module, const char* submodule, const char* function, const char* file,
           int lineNumber, Body body, const char* textOrFormat, va_list* args)
{
    if (!initialised)
        return;
    ++busyCount;
    {
        LineBuffer line(maxMessageLength);
        appendHeader(line, level, module, submodule, function, file, lineNumber, body == Body::In || body == Body::Out);
        switch (body) {
        case Body::Text: line.append(" %s\n", orEmpty(textOrFormat)); break;
        case Body::Format:
            line.append(" ");
            line.appendV(textOrFormat, *args);
            line.append("\n");
            break;
        case Body::In: line.append(">\n"); break;
        case Body::Out: line.append("<\n"); break;
        }
        // A cut formatted message keeps its last characters rather than a line feed.
        if (body != Body::Format)
            line.endWithLineFeed();
        deliver(line.data, line.length, level, body == Body::Text || body == Body::Format);
    }
    --busyCount;
}

char* copyText(const char* text)
{
    if (!text)
        return nullptr;
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

// Seconds from the environment, kept in the thousandths of dbg_GetTime.
unsigned long long timeFromEnvironment(const char* value, unsigned long long fallback)
{
    if (!value)
        return fallback;
    const long long seconds = std::strtoll(value, nullptr, 10);
    if (seconds <= 0)
        return 0;
    if (static_cast<unsigned long long>(seconds) > ULLONG_MAX / 1000)
        return ULLONG_MAX;
    return static_cast<unsigned long long>(seconds) * 1000;
}

int evaluateTraceLevel(const char* value, int* mask)
{
    if (!mask)
        return DBG_NULL_POINTER;
    *mask = DBG_LEVEL_ERROR;
    if (!value)
        return DBG_SUCCESS;
    if (std::strstr(value, "2"))
        *mask |= DBG_LEVEL_2;
    if (std::strstr(value, "1"))
        *mask |= DBG_LEVEL_1;
    if (std::strstr(value, "0"))
        *mask |= DBG_LEVEL_0;
    if (std::strstr(value, "FUNC"))
        *mask |= DBG_LEVEL_FUNC;
    if (std::strstr(value, "none"))
        *mask = 0;
    if (std::strstr(value, "all"))
        *mask = kAllTraceLevels;
    return DBG_SUCCESS;
}

int evaluateTraceInfo(const char* value, int* mask)
{
    if (!mask)
        return DBG_NULL_POINTER;
    if (!value) {
        *mask = kDefaultTraceInfo;
        return DBG_SUCCESS;
    }
    static const struct { const char* word; int bit; } pieces[] = {
        {"MODULE", DBG_INFO_MODULE}, {"SUBMOD", DBG_INFO_SUBMOD}, {"FUNC", DBG_INFO_FUNC},
        {"FILE", DBG_INFO_FILE},     {"LINE", DBG_INFO_LINE},     {"LEVEL", DBG_INFO_LEVEL},
        {"TIME", DBG_INFO_TIME},     {"THREAD", DBG_INFO_THREAD},
    };
    *mask = 0;
    for (const auto& piece : pieces)
        if (std::strstr(value, piece.word))
            *mask |= piece.bit;
    if (std::strstr(value, "all"))
        *mask = kAllTraceInfo;
    return DBG_SUCCESS;
}

void readEnvironment(const char* logFileVariable)
{
    subModuleFilter = copyText(dbg_getenv("ZEB_SUBMODULES"));
    moduleFilter = copyText(dbg_getenv("ZEB_MODULES"));
    startTime = timeFromEnvironment(dbg_getenv("ZEB_STARTTIME"), 0);
    stopTime = timeFromEnvironment(dbg_getenv("ZEB_STOPTIME"), ULLONG_MAX);

    const char* path = dbg_getenv(logFileVariable ? logFileVariable : "ZEB_LOGFILE");
    logFile = path ? std::fopen(path, "a+") : nullptr;
    logFileOpened = logFile != nullptr;
    if (!logFile)
        logFile = stdout;
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->logFileOpened)
        record->logFileOpened(logFile);

    int error = evaluateTraceLevel(dbg_getenv("ZEB_TRACELEVEL"), &traceLevel);
    if (error == DBG_SUCCESS)
        error = evaluateTraceInfo(dbg_getenv("ZEB_TRACEINFO"), &traceInfo);
    if (error != DBG_SUCCESS) {
        std::printf("dbg_Init failed :%s", errorText(error));
        std::exit(1);
    }
}

// Whether a filter text ("zebplot,gui", say) names the given module or submodule.
bool filterNames(const char* filter, const char* name)
{
    return name && std::strstr(filter, name) != nullptr;
}

} // namespace

int dbg_Init(const char* logFileVariable, int continueAfterAssertion, int dump, int maxMessageLen)
{
    continueAfterAssert = continueAfterAssertion;
    dumpValue = dump;
    maxMessageLength = maxMessageLen < 0 ? 0 : maxMessageLen;
    if (!environmentRead) {
        environmentRead = true;
        readEnvironment(logFileVariable);
    }
    initialised = true;
    ++initCount;
    return DBG_SUCCESS;
}

void dbg_Terminate()
{
    if (initCount <= 0)
        return;
    if (--initCount > 0)
        return;
    initialised = false;
    if (logFileOpened) {
        const int closed = std::fclose(logFile);
        logFile = stdout;
        logFileOpened = false;
        if (closed != 0) {
            output("dbg_Terminate failed", 1);
            output(errorText(DBG_FILE_CLOSE), 1);
        }
    }
}

#ifdef ZEB_DBG_RESET_FOR_TESTING
// Puts the layer back into the state of a freshly loaded program, so that the
// layer's own test can run dbg_Init against a prepared environment more than
// once per process.  Only that test compiles it (with its own copy of the
// layer): the shipped library has no way back to a state it has left.
void dbg_ResetForTesting();
void dbg_ResetForTesting()
{
    if (logFileOpened)
        std::fclose(logFile);
    logFile = nullptr;
    logFileOpened = false;
    std::free(moduleFilter);
    std::free(subModuleFilter);
    moduleFilter = nullptr;
    subModuleFilter = nullptr;
    initialised = false;
    environmentRead = false;
    initCount = 0;
    continueAfterAssert = 0;
    dumpValue = 0;
    maxMessageLength = 0;
    traceInfo = kDefaultTraceInfo;
    traceLevel = DBG_LEVEL_ERROR;
    traceEnabled = true;
    fixedTime = 0;
    startTime = 0;
    stopTime = ULLONG_MAX;
    busyCount = 0;
    listener = nullptr;
    errorHook = nullptr;
    callbacks = nullptr;
}
#endif

const char* dbg_getenv(const char* name)
{
    if (!name)
        return nullptr;
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->getenv)
        return record->getenv(name);
    return std::getenv(name);
}

void dbg_AssertArg(const char* module, const char* submodule, const char* function, const char* file, int line,
                   const char* format, ...)
{
    va_list args;
    va_start(args, format);
    reportAssertion(module, submodule, function, file, line, orEmpty(format), &args, nullptr);
    va_end(args);
}

void dbg_Assert(const char* module, const char* submodule, const char* function, const char* file, int line,
                const char* text)
{
    reportAssertion(module, submodule, function, file, line, nullptr, nullptr, text);
}

void dbg_Abort()
{
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && !record->abort)
        std::abort();
    if (record) {
        record->abort();
        // The callback may have taken the program down its own way; if it
        // returned with the record still in place, stop here.
        if (callbacks.load())
            std::abort();
    }
    std::fputs("Abnormal program termination...\n", stderr);
    std::abort();
}

void dbg_SetCallbackFunctions(DbgCallbackFunctions_t* record)
{
    callbacks = record;
}

void dbg_TraceSetListener(DbgListener_t newListener)
{
    listener = newListener;
}

void dbg_SetErrorHook(DbgErrorHook_t hook)
{
    errorHook = hook;
}

void dbg_lock()
{
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->lock)
        record->lock(record->context);
}

void dbg_unlock()
{
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->unlock)
        record->unlock(record->context);
}

unsigned long long dbg_GetTime()
{
    if (fixedTime != 0)
        return fixedTime;
    DbgCallbackFunctions_t* record = callbacks.load();
    if (record && record->time)
        return record->time();
    return 0;
}

int dbg_IsBusy()
{
    return busyCount.load() > 0 ? 1 : 0;
}

void dbg_SetTime(unsigned long long time)
{
    fixedTime = time;
}

int dbg_TimeActive()
{
    const unsigned long long now = dbg_GetTime();
    return startTime <= now && now <= stopTime ? 1 : 0;
}

int dbg_SubModActive(const char* module, const char* submodule)
{
    if (!initialised)
        return -1;
    if (moduleFilter) {
        if (std::strcmp(moduleFilter, "none") == 0)
            return 0;
        if (std::strcmp(moduleFilter, "all") != 0 && !filterNames(moduleFilter, module))
            return 0;
    }
    if (!subModuleFilter)
        return 1;
    if (std::strcmp(subModuleFilter, "none") == 0)
        return 0;
    if (std::strcmp(subModuleFilter, "all") == 0)
        return 1;
    return filterNames(subModuleFilter, submodule) ? 1 : 0;
}

void dbg_TraceEnable()
{
    traceEnabled = true;
}

void dbg_TraceDisable()
{
    traceEnabled = false;
}

int dbg_TraceEnabled()
{
    return traceEnabled ? 1 : 0;
}

int dbg_GetTraceLevel()
{
    return traceLevel;
}

int dbg_GetTraceInfo()
{
    return traceInfo;
}

void dbg_Trace(int level, const char* module, const char* submodule, const char* function, const char* file,
               int line, const char* text)
{
    trace(level, module, submodule, function, file, line, Body::Text, text, nullptr);
}

void dbg_TraceArg(int level, const char* module, const char* submodule, const char* function, const char* file,
                  int line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    trace(level, module, submodule, function, file, line, Body::Format, orEmpty(format), &args);
    va_end(args);
}

void dbg_TraceIn(int level, const char* module, const char* submodule, const char* function, const char* file,
                 int line)
{
    trace(level, module, submodule, function, file, line, Body::In, nullptr, nullptr);
}

void dbg_TraceOut(int level, const char* module, const char* submodule, const char* function, const char* file,
                  int line)
{
    trace(level, module, submodule, function, file, line, Body::Out, nullptr, nullptr);
}

void dbg_TraceContArg(int level, const char* format, ...)
{
    if (!initialised)
        return;
    ++busyCount;
    {
        LineBuffer line(maxMessageLength);
        va_list args;
        va_start(args, format);
        line.appendV(orEmpty(format), args);
        va_end(args);
        line.append("\n");
        deliver(line.data, line.length, level, true);
    }
    --busyCount;
}

void dbg_DumpInfo(const char* text, int level)
{
    if (!initialised || !text)
        return;
    ++busyCount;
    deliver(text, std::strlen(text), level, false);
    --busyCount;
}
