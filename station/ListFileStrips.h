#pragma once

#include "printing/StripRun.h"

#include <QString>
#include <QStringDecoder>

#include <deque>

class QIODevice;

// A hand-typed list read from a file or a pipe as it prints: the same
// separators and items as the window's list (printing/ManualList.h), three
// items a strip, but only a small window of the text is held at a time, so a
// list of a million lines prints in the memory of a short one. The bytes are
// UTF-8. A text longer than kMaxListText characters (a label holds far
// fewer) ends the reading with its line number: one long line costs no more
// memory than a short one.
inline constexpr qsizetype kMaxListText = 255;

class ListFileStrips : public StripSource {
public:
    explicit ListFileStrips(QIODevice& in, qint64 chunkBytes = 64 * 1024);

    LabelRow next() override;
    bool more() const override { return !items_.empty(); }
    bool complete() const override { return items_.empty() && atEnd_; }
    void printed(const LabelRow&) override {}

    // Why reading stopped early (empty when it did not).
    const QString& readError() const { return readError_; }
    // Strips handed out so far.
    qint64 stripsTaken() const { return strips_; }
    // Characters held in memory: text read but not yet handed out.
    qint64 heldChars() const;

private:
    // Reads until three items wait or the input has ended.
    void fill();
    void readChunk();
    // Takes normalised text: its commas end items.
    void take(const QString& normalised);
    // Counts lines and the text since the last separator in freshly decoded
    // text; the position of the first character too many (the reason kept),
    // or -1.
    qsizetype measure(QStringView fresh);

    QIODevice& in_;
    qint64 chunkBytes_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
    QString held_; // decoded text not yet normalised
    QString item_; // the item being read
    std::deque<QString> items_;
    bool atEnd_ = false;
    QString readError_;
    qint64 strips_ = 0;
    qint64 lines_ = 0;       // line ends read so far
    qsizetype runChars_ = 0; // characters since the last separator
    bool afterCr_ = false;
};

// Where text may be cut so that normalising the two parts on their own gives
// the same as normalising the whole: not inside a CR LF or an LF CR that the
// separator table would take as one separator. 0 when there is no such place
// before the last character (the last one's neighbour is not known yet).
qsizetype safeListCut(const QString& text);
