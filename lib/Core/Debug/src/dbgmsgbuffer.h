#ifndef ZEB_CORE_DEBUG_DBGMSGBUFFER_H
#define ZEB_CORE_DEBUG_DBGMSGBUFFER_H

// In-memory ring of the most recent diagnostic lines.
//
// The ring lives in a memory block that the host hands over with
// DbgDump_setTraceBuffer; without a block nothing is kept.  Each line is
// stored as a node: a link to the newer node, a link to the older node, then
// the terminated text (cut to 2048 characters).  When a new node does not
// fit, the oldest nodes are dropped.  Every line the diagnostics layer
// delivers is pushed here under dbg_lock(); callers that walk or change the
// ring from elsewhere take that lock as well.

#include "zebplot_export.h"

#include <cstddef>

namespace Zeb {

// Longest text kept in a node, without the terminator.
constexpr int kDbgMsgMaxTextLength = 2048;

// Hands the ring its memory block (null or 0 switches the ring off) and
// empties it.  The block stays owned by the caller and must outlive its use.
ZEBPLOT_EXPORT void DbgDump_setTraceBuffer(void* block, std::size_t size);

// Stores a copy of the text as the newest node.  1 when no older node had to
// be dropped, 0 when some were (or when nothing could be stored).
ZEBPLOT_EXPORT int dbgMsgBufferPush(const char* text);

// Walks the ring: forwards from the oldest node (cursor null) towards the
// newest, or backwards from the newest.  Returns the next node's text and
// moves the cursor onto it; null at the end or without a block.
ZEBPLOT_EXPORT const char* dbgMsgBufferPeekNext(void*& cursor, bool backwards);

// Forgets every node; the block is kept.
ZEBPLOT_EXPORT void dbgMsgBufferReset();

// Dumping is on by default; switched off before a crash dump is taken.
ZEBPLOT_EXPORT void DbgDump_enableDump(bool enable);

// Like dbgMsgBufferPeekNext, but writes "%3d %s" (index and text) into the
// buffer, always ending a cut line with a line feed.  Returns the length
// written; 0 at the end, without a block, or while dumping is off.
ZEBPLOT_EXPORT int DbgDump_getNextLine(char* buffer, int size, int index, void*& cursor, bool backwards);

// Bytes a node for a text of this length takes: the two links and the
// terminated text, a multiple of 8 so that nodes stay pointer aligned.
ZEBPLOT_EXPORT int msgNodeSizeAligned(int length);

} // namespace Zeb

#endif
