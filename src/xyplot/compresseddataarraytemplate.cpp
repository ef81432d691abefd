#include "compresseddataarraytemplate.h"

#include "memleaktracer.h"

#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {
using Wide = long long;

// Turns an empty chunk into a run of one value, constant by definition.
template <typename Chunk, typename T>
void makeSingle(Chunk& chunk, T value)
{
    chunk.firstValue = value;
    chunk.step = 0;
    chunk.constant = true;
    chunk.length = 1;
}

// Takes d as the step between the two values of a run; steps are never
// negative and must fit the element type.
template <typename Chunk>
bool takeStep(Chunk& chunk, Wide d)
{
    using T = decltype(chunk.step);
    if (d < 0 || d > Wide(std::numeric_limits<T>::max()))
        return false;
    chunk.step = T(d);
    chunk.constant = d == 0;
    return true;
}
} // namespace

// ---------------------------------------------------------------------------
// Chunk

template <typename T>
int CompressedDataArrayTemplate<T>::Chunk::sLiveChunks = 0;

template <typename T>
CompressedDataArrayTemplate<T>::Chunk::Chunk()
    : start(0)
    , length(0)
    , firstValue(0)
    , constant(true)
    , step(0)
{
    ++sLiveChunks;
}

template <typename T>
CompressedDataArrayTemplate<T>::Chunk::Chunk(int start_, int length_, T firstValue_, T step_)
    : start(start_)
    , length(length_)
    , firstValue(firstValue_)
    , constant(step_ == 0)
    , step(step_)
{
    ++sLiveChunks;
}

template <typename T>
CompressedDataArrayTemplate<T>::Chunk::Chunk(Chunk const& other)
    : start(other.start)
    , length(other.length)
    , firstValue(other.firstValue)
    , constant(other.constant)
    , step(other.step)
{
    ++sLiveChunks;
}

template <typename T>
CompressedDataArrayTemplate<T>::Chunk::~Chunk()
{
    --sLiveChunks;
}

template <typename T>
int CompressedDataArrayTemplate<T>::Chunk::liveChunks()
{
    return sLiveChunks;
}

template <typename T>
bool CompressedDataArrayTemplate<T>::Chunk::appendIfPossible(T value)
{
    if (length == 0) {
        makeSingle(*this, value);
        return true;
    }
    if (length == 1) {
        if (!takeStep(*this, Wide(value) - Wide(firstValue)))
            return false;
        length = 2;
        return true;
    }
    const Wide next = constant ? Wide(firstValue) : Wide(firstValue) + Wide(step) * Wide(length);
    if (Wide(value) != next)
        return false;
    ++length;
    return true;
}

template <typename T>
bool CompressedDataArrayTemplate<T>::Chunk::prependIfPossible(T value)
{
    if (length == 0) {
        --start;
        makeSingle(*this, value);
        return true;
    }
    if (length == 1) {
        if (!takeStep(*this, Wide(firstValue) - Wide(value)))
            return false;
    } else if (constant) {
        if (value != firstValue)
            return false;
    } else if (Wide(firstValue) - Wide(value) != Wide(step)) {
        return false;
    }
    firstValue = value;
    --start;
    ++length;
    return true;
}

template <typename T>
bool CompressedDataArrayTemplate<T>::Chunk::appendIfPossible(Chunk const* other)
{
    if (Wide(start) + length != other->start)
        return false;
    if (other->length == 0)
        return true;
    if (length == 0) {
        *this = *other;
        return true;
    }
    if (other->length == 1)
        return appendIfPossible(other->firstValue);
    if (length == 1) {
        // This single value must be the predecessor of other's progression.
        const Wide d = Wide(other->firstValue) - Wide(firstValue);
        if (d < 0 || d != Wide(other->constant ? 0 : other->step))
            return false;
        step = other->step;
        constant = other->constant;
        length = other->length + 1;
        return true;
    }
    if (step != other->step)
        return false;
    const Wide expected = constant ? Wide(firstValue) : Wide(firstValue) + Wide(step) * Wide(length);
    if (Wide(other->firstValue) != expected)
        return false;
    length += other->length;
    return true;
}

// ---------------------------------------------------------------------------
// Array

template <typename T>
CompressedDataArrayTemplate<T>::CompressedDataArrayTemplate()
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("CompressedDataArrayTemplate"));
}

template <typename T>
CompressedDataArrayTemplate<T>::CompressedDataArrayTemplate(T const& marker)
    : AbstractDataArrayTemplate<T>(marker)
{
    MemLeakTracer::getInstance()->doAllocateObject(QStringLiteral("CompressedDataArrayTemplate"));
}

template <typename T>
CompressedDataArrayTemplate<T>::~CompressedDataArrayTemplate()
{
    qDeleteAll(chunks);
    chunks = QList<Chunk*>();
    size = 0;
    MemLeakTracer::getInstance()->doDeallocateObject(QStringLiteral("CompressedDataArrayTemplate"));
}

template <typename T>
T CompressedDataArrayTemplate<T>::toStored(double value) const
{
    if (std::isnan(value))
        return this->hasDoNotUseValue ? this->doNotUseValue : std::numeric_limits<T>::min();
    // Truncation, saturated so that out-of-range doubles (infinities
    // included) never reach an undefined conversion.
    if (value >= double(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (value <= double(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return T(value);
}

template <typename T>
int CompressedDataArrayTemplate<T>::getChunkIndex(int index) const
{
    const int n = int(chunks.size());
    if (index < 0 || index >= size || n == 0)
        return -1;

    // Sequential access (drawing, statistics) stays in the same chunk or
    // moves to a neighbour: try those before searching.
    const int p = lastChunkPosition;
    if (p >= 0 && p < n) {
        const Chunk* c = chunks.at(p);
        if (index >= c->start) {
            if (index < c->end())
                return p;
            if (p + 1 < n && index >= chunks.at(p + 1)->start && index < chunks.at(p + 1)->end()) {
                lastChunkPosition = p + 1;
                return p + 1;
            }
        } else if (p > 0 && index >= chunks.at(p - 1)->start && index < chunks.at(p - 1)->end()) {
            lastChunkPosition = p - 1;
            return p - 1;
        }
    }

    // Largest position whose chunk starts at or before index.
    int lo = 0;
    int hi = n - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (chunks.at(mid)->start <= index)
            lo = mid;
        else
            hi = mid - 1;
    }
    const Chunk* c = chunks.at(lo);
    const int result = (index >= c->start && index < c->end()) ? lo : -1;
    lastChunkPosition = result;
    return result;
}

template <typename T>
T CompressedDataArrayTemplate<T>::getTypedValue(int index) const
{
    const int p = getChunkIndex(index);
    if (p < 0)
        return T();
    const Chunk* c = chunks.at(p);
    return c->getValue(index - c->start);
}

template <typename T>
double CompressedDataArrayTemplate<T>::getValue(int index) const
{
    const T v = getTypedValue(index);
    if (this->hasDoNotUseValue && v == this->doNotUseValue)
        return std::numeric_limits<double>::quiet_NaN();
    return double(v);
}

template <typename T>
int CompressedDataArrayTemplate<T>::dataSize() const
{
    return size;
}

template <typename T>
void CompressedDataArrayTemplate<T>::clearData()
{
    qDeleteAll(chunks);
    chunks.clear();
    size = 0;
    lastChunkPosition = -1;
}

template <typename T>
void CompressedDataArrayTemplate<T>::appendTypedData(T value)
{
    // Continuing the last run costs no allocation.
    if (chunks.isEmpty() || !chunks.last()->appendIfPossible(value))
        chunks.append(new Chunk(size, 1, value, 0));
    ++size;
}

template <typename T>
void CompressedDataArrayTemplate<T>::appendTyped(T value)
{
    appendTypedData(value);
    this->afterRawAppend(double(value));
}

template <typename T>
void CompressedDataArrayTemplate<T>::appendData(double value)
{
    appendTypedData(toStored(value));
}

template <typename T>
bool CompressedDataArrayTemplate<T>::mergeWithNext(int position)
{
    if (position < 0 || position + 1 >= chunks.size())
        return false;
    Chunk* next = chunks.at(position + 1);
    if (!chunks.at(position)->appendIfPossible(next))
        return false;
    delete next;
    chunks.removeAt(position + 1);
    return true;
}

template <typename T>
void CompressedDataArrayTemplate<T>::mergeAround(int from, int to)
{
    // Only the chunks near a local change can have become combinable; try
    // every adjacent pair (i, i + 1) with from <= i < to.
    int i = std::max(0, from);
    while (i < to && i + 1 < chunks.size()) {
        if (mergeWithNext(i))
            --to;
        else
            ++i;
    }
}

namespace {
// A single value carries no step.
template <typename C>
void makeSingleConstant(C* chunk)
{
    if (chunk->length <= 1) {
        chunk->constant = true;
        chunk->step = 0;
    }
}
} // namespace

template <typename T>
void CompressedDataArrayTemplate<T>::replaceData(int index, double value)
{
    const T w = toStored(value);
    const int p = getChunkIndex(index);
    if (p < 0)
        return;
    Chunk* c = chunks.at(p);
    const int offset = index - c->start;
    if (c->getValue(offset) == w)
        return;

    // Take index out of its chunk.  Afterwards `before` is the position of
    // the chunk ending at index - 1 and `after` that of the chunk starting at
    // index + 1 (-1 when there is none).
    int before;
    int after;
    Chunk* single = nullptr; // C itself when it held only this value
    if (c->length == 1) {
        single = c;
        before = p - 1;
        after = p + 1 < chunks.size() ? p + 1 : -1;
    } else if (offset == 0) {
        c->firstValue = c->getValue(1);
        ++c->start;
        --c->length;
        makeSingleConstant(c);
        before = p - 1;
        after = p;
    } else if (offset == c->length - 1) {
        --c->length;
        makeSingleConstant(c);
        before = p;
        after = p + 1 < chunks.size() ? p + 1 : -1;
    } else {
        auto* rest = new Chunk(index + 1, c->length - offset - 1, c->getValue(offset + 1), c->step);
        makeSingleConstant(rest);
        c->length = offset;
        makeSingleConstant(c);
        chunks.insert(p + 1, rest);
        before = p;
        after = p + 1;
    }

    // Place w: extend a neighbour if the progression allows, else a chunk of
    // its own.
    bool placed = (before >= 0 && chunks.at(before)->appendIfPossible(w))
                  || (after >= 0 && chunks.at(after)->prependIfPossible(w));
    if (single) {
        if (placed) {
            delete single;
            chunks.removeAt(p);
        } else {
            single->firstValue = w;
        }
    } else if (!placed) {
        chunks.insert(before + 1, new Chunk(index, 1, w, 0));
    }

    mergeAround(p - 2, p + 3);
    lastChunkPosition = -1;
}

template <typename T>
void CompressedDataArrayTemplate<T>::removeData(int startIndex, int count)
{
    // Callers (left shift) keep the range inside the array; anything else is
    // ignored rather than corrupting the chunk list.
    if (count <= 0 || startIndex < 0 || Wide(startIndex) + count > size)
        return;
    const int end = startIndex + count;
    const int f = getChunkIndex(startIndex);
    const int l = getChunkIndex(end - 1);
    const Chunk* first = chunks.at(f);
    const Chunk* last = chunks.at(l);

    auto* head = new Chunk(*first);
    head->length = startIndex - first->start;
    makeSingleConstant(head);
    auto* tail = new Chunk(*last);
    tail->start = startIndex;
    tail->length = last->end() - end;
    tail->firstValue = tail->length > 0 ? last->getValue(end - last->start) : T(0);
    makeSingleConstant(tail);

    for (int i = l + 1; i < chunks.size(); ++i)
        chunks.at(i)->start -= count;
    for (int i = f; i <= l; ++i)
        delete chunks.at(i);
    chunks.remove(f, l - f + 1);
    chunks.insert(f, tail);
    chunks.insert(f, head);

    // Combine: tail with its successor, head with tail, the predecessor with
    // head.  Empty pieces are always absorbed.
    mergeWithNext(f + 1);
    mergeWithNext(f);
    if (!mergeWithNext(f - 1) && head->length == 0) {
        delete head;
        chunks.removeAt(f);
    }
    size -= count;

    mergeAround(f - 2, f + 2);
    lastChunkPosition = -1;
}

template <typename T>
void CompressedDataArrayTemplate<T>::removeOddIndexedData()
{
    QList<Chunk*> kept;
    kept.reserve(chunks.size());
    int newSize = 0;
    auto add = [&](Chunk* chunk) {
        if (!kept.isEmpty() && kept.last()->appendIfPossible(chunk))
            delete chunk;
        else
            kept.append(chunk);
    };

    for (const Chunk* c : std::as_const(chunks)) {
        const bool evenStart = c->start % 2 == 0;
        const int keptCount = evenStart ? (c->length + 1) / 2 : c->length / 2;
        if (keptCount == 0)
            continue;
        const int firstOffset = evenStart ? 0 : 1;
        const Wide doubledStep = keptCount > 1 && !c->constant ? 2 * Wide(c->step) : 0;
        if (doubledStep > Wide(std::numeric_limits<T>::max())) {
            // The kept values are too far apart for one progression of T
            // (only possible for two of them): store them singly.
            for (int k = 0; k < keptCount; ++k)
                add(new Chunk(newSize + k, 1, c->getValue(firstOffset + 2 * k), 0));
        } else {
            add(new Chunk(newSize, keptCount, c->getValue(firstOffset), T(doubledStep)));
        }
        newSize += keptCount;
    }

    qDeleteAll(chunks);
    chunks = kept;
    size = newSize;
    lastChunkPosition = -1;
}

template <typename T>
int CompressedDataArrayTemplate<T>::linearSearchIndexOf(double value) const
{
    const T w = toStored(value);
    for (const Chunk* c : chunks) {
        if (c->firstValue == w)
            return c->start;
        if (!c->constant && c->length > 1 && c->firstValue < w && w <= c->lastValue()) {
            const Wide distance = Wide(w) - Wide(c->firstValue);
            if (distance % Wide(c->step) == 0)
                return c->start + int(distance / Wide(c->step));
        }
    }
    return -1;
}

template <typename T>
void CompressedDataArrayTemplate<T>::squeezeData()
{
    chunks.squeeze();
}

template <typename T>
int CompressedDataArrayTemplate<T>::getMemoryConsumption() const
{
    // Accounted as one 20-byte chunk record per list slot.
    return int(chunks.capacity() * 20);
}

template <typename T>
bool CompressedDataArrayTemplate<T>::testRepresentationInvariant() const
{
    bool lengthOk = true;
    bool firstStartOk = chunks.isEmpty() || chunks.first()->start == 0;
    bool consecutiveOk = true;
    bool nonCombinableOk = true;
    for (int i = 0; i < chunks.size(); ++i) {
        const Chunk* c = chunks.at(i);
        if (c->length < 1)
            lengthOk = false;
        if (i == 0)
            continue;
        const Chunk* previous = chunks.at(i - 1);
        if (c->start != previous->start + previous->length)
            consecutiveOk = false;
        Chunk copy(*previous);
        if (copy.appendIfPossible(c))
            nonCombinableOk = false;
    }
    const int expectedSize = chunks.isEmpty() ? 0 : chunks.last()->start + chunks.last()->length;
    const bool sizeOk = size == expectedSize;

    if (!lengthOk)
        qWarning("chunk length");
    if (!firstStartOk)
        qWarning("first chunk start index");
    if (!consecutiveOk)
        qWarning("consecutivity of indices");
    if (!nonCombinableOk)
        qWarning("non-combinability");
    if (!sizeOk)
        qWarning("size correctness");
    return lengthOk && firstStartOk && consecutiveOk && nonCombinableOk && sizeOk;
}

template class CompressedDataArrayTemplate<int>;
