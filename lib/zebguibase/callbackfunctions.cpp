#include "callbackfunctions.h"

#include <QThread>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::recursive_mutex& outputMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

void lockOutput(void*)
{
    outputMutex().lock();
}

void unlockOutput(void*)
{
    outputMutex().unlock();
}

void threadName(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    QByteArray name;
    if (QThread* thread = QThread::currentThread())
        name = thread->objectName().toLocal8Bit();
    if (name.isEmpty())
        name = QByteArray::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16);
    std::strncpy(buffer, name.constData(), size_t(size - 1));
    buffer[size - 1] = '\0';
}

unsigned long long currentTime()
{
    using namespace std::chrono;
    return static_cast<unsigned long long>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

void writeLine(const char* text, int)
{
    if (!text)
        return;
    std::fputs(text, stderr);
    std::fflush(stderr);
}

const char* environmentValue(const char* name)
{
    return name ? std::getenv(name) : nullptr;
}

} // namespace

DbgCallbackFunctions_t* getCallBackFunctions()
{
    static DbgCallbackFunctions_t record = {
        &lockOutput,
        &unlockOutput,
        nullptr,
        &threadName,
        nullptr,
        nullptr,
        nullptr,
        &currentTime,
        nullptr,
        nullptr,
        &writeLine,
        &environmentValue,
        nullptr,
    };
    return &record;
}
