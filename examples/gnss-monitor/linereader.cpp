#include "linereader.h"

#include <algorithm>

LineReader::LineReader(qsizetype maxLength)
    : maxLength(std::max<qsizetype>(1, maxLength))
{
}

void LineReader::feed(QByteArrayView data)
{
    if (data.isEmpty())
        return;
    // What was handed out is no longer needed: the buffer keeps at most one
    // partial line besides the new data.
    buffer.remove(0, start);
    scan -= start;
    start = 0;
    buffer.append(data.data(), data.size());
}

void LineReader::finish()
{
    // Ending the input is ending the line it stopped in.
    if (dropping || start < buffer.size())
        feed("\n");
}

void LineReader::take(Line& line, qsizetype end)
{
    const qsizetype length = end - start;
    line.number = ++lineNumber;
    line.tooLong = dropping || length > maxLength;
    line.text = line.tooLong ? QByteArrayView() : QByteArrayView(buffer.constData() + start, length);
    dropping = false;
}

bool LineReader::next(Line& line)
{
    const qsizetype size = buffer.size();
    if (atBeginning) {
        static const QByteArrayView mark("\xEF\xBB\xBF");
        const QByteArrayView head = QByteArrayView(buffer).sliced(start, std::min(size - start, mark.size()));
        if (!mark.startsWith(head))
            atBeginning = false;
        else if (head.size() < mark.size())
            return false; // perhaps the start of a mark: wait for more bytes
        else {
            start = scan = start + mark.size();
            atBeginning = false;
        }
    }
    if (skipLf && start < size) {
        if (buffer.at(start) == '\n')
            scan = ++start;
        skipLf = false;
    }
    const char* data = buffer.constData();
    const char* end = std::find_if(data + scan, data + size, [](char c) { return c == '\n' || c == '\r'; });
    if (end != data + size) {
        qsizetype i = end - data;
        take(line, i);
        if (data[i] == '\r') {
            if (i + 1 == size)
                skipLf = true; // the LF of a CR LF may be in the next chunk
            else if (data[i + 1] == '\n')
                ++i;
        }
        start = scan = i + 1;
        return true;
    }
    scan = size;
    if (size - start > maxLength)
        dropping = true;
    if (dropping)
        start = size;
    return false;
}
