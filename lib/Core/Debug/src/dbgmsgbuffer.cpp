#include "dbgmsgbuffer.h"

#include "dbg.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Zeb {

namespace {

// A node is this header followed directly by the terminated text.
struct MsgNode
{
    MsgNode* newer;
    MsgNode* older;
};

static_assert(sizeof(MsgNode) <= 16, "the node size formula reserves 16 bytes for the two links");

// Plain pointers with constant initialisation: the ring must be usable by lines
// delivered while other libraries are still being initialised.
char* bufferStart = nullptr;
std::size_t bufferSize = 0;
char* endOfLastNode = nullptr; // one past the newest node
MsgNode* first = nullptr;      // oldest node
MsgNode* last = nullptr;       // newest node
bool dumpEnabled = true;

char* endOfBuffer()
{
    return bufferStart + bufferSize;
}

char* textOf(MsgNode* node)
{
    return reinterpret_cast<char*>(node + 1);
}

char* addressOf(MsgNode* node)
{
    return reinterpret_cast<char*>(node);
}

// The ring is written while an assertion is being reported, so a broken ring
// must not report through the assertion layer again; it stops right here.
void ringCheck(bool condition, const char* text)
{
    if (condition)
        return;
    std::fprintf(stderr, " ASSERT: dbgMsgBufferPush %s\n", text);
    std::abort();
}

// Drops the oldest node.  Its link is read before anything overwrites it, and
// once the newest node itself is gone the ring is simply empty, so no link of
// a dropped node is ever followed afterwards.
void dropOldest()
{
    MsgNode* next = first->newer;
    if (next) {
        next->older = nullptr;
    } else {
        last = nullptr;
        endOfLastNode = bufferStart;
    }
    first = next;
}

// Where a node that does not fit behind the newest node has to go: in the gap
// between the newest and the oldest node when the ring has wrapped round,
// otherwise at the start of the block.
char* wrappedPlace()
{
    return endOfLastNode <= addressOf(first) ? endOfLastNode : bufferStart;
}

MsgNode* step(MsgNode* from, bool backwards)
{
    if (!bufferStart)
        return nullptr;
    if (!from)
        return backwards ? last : first;
    return backwards ? from->older : from->newer;
}

} // namespace

int msgNodeSizeAligned(int length)
{
    if (length < 0)
        length = 0;
    if (length > kDbgMsgMaxTextLength)
        length = kDbgMsgMaxTextLength;
    return (length & ~7) + 24;
}

void DbgDump_setTraceBuffer(void* block, std::size_t size)
{
    dbg_lock();
    // Nodes hold pointers: start on an 8-byte boundary and keep whole 8-byte units.
    char* start = static_cast<char*>(block);
    if (start && size > 0) {
        const std::uintptr_t misalignment = reinterpret_cast<std::uintptr_t>(start) % 8;
        const std::size_t skip = misalignment ? 8 - misalignment : 0;
        size = size > skip ? (size - skip) & ~std::size_t(7) : 0;
        start += skip;
    }
    if (!start || size == 0) {
        start = nullptr;
        size = 0;
    }
    bufferStart = start;
    bufferSize = size;
    first = nullptr;
    last = nullptr;
    endOfLastNode = bufferStart;
    dbg_unlock();
}

int dbgMsgBufferPush(const char* text)
{
    if (!bufferStart || !text)
        return 0;
    const std::size_t length = strnlen(text, kDbgMsgMaxTextLength);
    const std::size_t nodeSize = std::size_t(msgNodeSizeAligned(int(length)));
    // A node larger than the whole block could only be placed by dropping
    // everything and would still overflow: keep the ring as it is.
    if (nodeSize > bufferSize)
        return 0;

    int result = 1;
    char* place;
    if (!first) {
        ringCheck(!last, "!last");
        place = bufferStart;
    } else if (endOfLastNode > addressOf(first) && endOfLastNode + nodeSize <= endOfBuffer()) {
        place = endOfLastNode;
    } else {
        place = wrappedPlace();
        while (addressOf(first) - place < std::ptrdiff_t(nodeSize)) {
            dropOldest();
            result = 0;
            if (!first) {
                // Every node, the newest included, had to go.
                place = bufferStart;
                break;
            }
            if (addressOf(first) < endOfLastNode) {
                // The ring no longer wraps: the space behind the newest node is
                // free up to the block end, the space before the oldest node is
                // free from the block start.
                if (endOfLastNode + nodeSize <= endOfBuffer()) {
                    place = endOfLastNode;
                    break;
                }
                place = bufferStart;
            }
        }
    }

    MsgNode* node = reinterpret_cast<MsgNode*>(place);
    node->newer = nullptr;
    node->older = last;
    std::memcpy(textOf(node), text, length);
    textOf(node)[length] = '\0';
    if (last)
        last->newer = node;
    else
        first = node;
    last = node;
    endOfLastNode = place + nodeSize;
    ringCheck(endOfLastNode <= endOfBuffer(), "endOfLastNode <= endOfBuffer()");
    return result;
}

const char* dbgMsgBufferPeekNext(void*& cursor, bool backwards)
{
    MsgNode* node = step(static_cast<MsgNode*>(cursor), backwards);
    if (!node)
        return nullptr;
    cursor = node;
    return textOf(node);
}

void dbgMsgBufferReset()
{
    first = nullptr;
    last = nullptr;
    endOfLastNode = bufferStart;
}

void DbgDump_enableDump(bool enable)
{
    dumpEnabled = enable;
}

int DbgDump_getNextLine(char* buffer, int size, int index, void*& cursor, bool backwards)
{
    if (!dumpEnabled || !buffer || size < 2)
        return 0;
    const char* text = dbgMsgBufferPeekNext(cursor, backwards);
    if (!text)
        return 0;
    std::snprintf(buffer, std::size_t(size), "%3d %s", index, text);
    buffer[size - 2] = '\n';
    buffer[size - 1] = '\0';
    return int(std::strlen(buffer));
}

} // namespace Zeb
