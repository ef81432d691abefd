#ifndef GNSSMONITOR_LINEREADER_H
#define GNSSMONITOR_LINEREADER_H

#include <QByteArray>
#include <QByteArrayView>

/// Splits a byte stream into lines, whatever chunks it arrives in.
///
/// Files, pipes and sockets hand over bytes in pieces that cut lines (and
/// even a CR LF pair) anywhere; the lines come out the same for any split.
/// A line ends at LF, CR LF or a lone CR, so recordings from any platform
/// read alike.  A UTF-8 byte order mark before the first line is dropped.
/// A line longer than the limit is not kept: its bytes are dropped as they
/// arrive and it comes out once, empty and marked too long, so that garbage
/// without line ends costs one line and bounded memory.
class LineReader
{
public:
    static constexpr qsizetype kDefaultMaxLength = 64 * 1024;

    struct Line
    {
        QByteArrayView text;  ///< without the line end; valid until the next feed()
        qint64 number = 0;    ///< 1 for the first line
        bool tooLong = false; ///< longer than the limit; text is empty
    };

    explicit LineReader(qsizetype maxLength = kDefaultMaxLength);

    void feed(QByteArrayView data);
    /// The input ended: a last line without line end counts as a line.
    /// Feeding may go on afterwards (a file that grows again).
    void finish();
    /// The next complete line, if there is one.  Its text stays valid until
    /// the next feed() or finish().
    bool next(Line& line);

private:
    void take(Line& line, qsizetype end);

    QByteArray buffer;
    qsizetype start = 0; ///< first byte of the line being collected
    qsizetype scan = 0;  ///< bytes before this hold no line end
    qsizetype maxLength;
    qint64 lineNumber = 0;
    bool skipLf = false;     ///< the last line ended in CR at the end of a chunk
    bool dropping = false;   ///< the current line is too long
    bool atBeginning = true; ///< a byte order mark may still come
};

#endif
