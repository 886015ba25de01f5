#include "station/ListFileStrips.h"

#include "printing/ManualList.h"

#include <QIODevice>

namespace {

constexpr QChar kCr = QLatin1Char('\r');
constexpr QChar kLf = QLatin1Char('\n');

// Whether cutting text before position c splits a separator of two characters.
// CR LF is taken first wherever it occurs; LF CR only from what CR LF left.
bool splitsSeparator(const QString& text, qsizetype c) {
    const QChar a = text[c - 1];
    const QChar b = text[c];
    if (a == kCr && b == kLf)
        return true;
    if (a == kLf && b == kCr) {
        const bool lfTaken = c >= 2 && text[c - 2] == kCr;
        const bool crTaken = c + 1 < text.size() && text[c + 1] == kLf;
        // Past the end the neighbour is not known: no cut there.
        return !lfTaken && !crTaken;
    }
    return false;
}

} // namespace

qsizetype safeListCut(const QString& text) {
    for (qsizetype c = text.size() - 1; c >= 1; --c)
        if (!splitsSeparator(text, c))
            return c;
    return 0;
}

ListFileStrips::ListFileStrips(QIODevice& in, qint64 chunkBytes)
    : in_(in), chunkBytes_(chunkBytes) {
    fill();
}

qint64 ListFileStrips::heldChars() const {
    qint64 n = held_.size() + item_.size();
    for (const QString& item : items_)
        n += item.size();
    return n;
}

LabelRow ListFileStrips::next() {
    LabelRow row;
    for (LabelSlot& slot : row.labels) {
        if (items_.empty())
            break; // the list has ended: the next items are empty
        slot.text = std::move(items_.front());
        items_.pop_front();
    }
    ++strips_;
    fill();
    return row;
}

void ListFileStrips::fill() {
    while (items_.size() < 3 && !atEnd_)
        readChunk();
}

void ListFileStrips::readChunk() {
    QByteArray bytes(chunkBytes_, Qt::Uninitialized);
    const qint64 n = in_.read(bytes.data(), chunkBytes_);
    if (n < 0)
        readError_ = in_.errorString();
    if (n <= 0) {
        // The end: what is held is whole, and the last item counts when it
        // is not empty (a trailing separator adds no strip).
        atEnd_ = true;
        held_ += decoder_(QByteArrayView());
        take(normaliseManualList(held_));
        held_.clear();
        if (!item_.isEmpty())
            items_.push_back(std::move(item_));
        item_.clear();
        return;
    }
    bytes.truncate(n);
    const QString fresh = decoder_(bytes);
    const qsizetype longAt = measure(fresh);
    if (longAt >= 0) {
        // What came before the long text is whole and prints; the rest not.
        atEnd_ = true;
        const qsizetype start = longAt - kMaxListText;
        if (start >= 0)
            take(normaliseManualList(held_ + fresh.left(start)));
        held_.clear();
        item_.clear();
        return;
    }
    held_ += fresh;
    const qsizetype cut = safeListCut(held_);
    if (cut > 0) {
        take(normaliseManualList(held_.left(cut)));
        held_.remove(0, cut);
    }
}

qsizetype ListFileStrips::measure(QStringView fresh) {
    static const QString separators = QString::fromUtf8(",，;；\\/\r\n");
    for (qsizetype i = 0; i < fresh.size(); ++i) {
        const QChar c = fresh[i];
        // A line ends at CR, and at LF not right after a CR.
        if (c == kLf && !afterCr_)
            ++lines_;
        else if (c == kCr)
            ++lines_;
        afterCr_ = c == kCr;
        if (separators.contains(c)) {
            runChars_ = 0;
            continue;
        }
        if (++runChars_ > kMaxListText) {
            readError_ = QStringLiteral("line %1 holds a label text of more than %2 characters "
                                        "(a label holds far fewer); nothing from that line on "
                                        "was printed")
                             .arg(lines_ + 1)
                             .arg(kMaxListText);
            return i;
        }
    }
    return -1;
}

void ListFileStrips::take(const QString& normalised) {
    qsizetype pos = 0;
    for (;;) {
        const qsizetype comma = normalised.indexOf(QLatin1Char(','), pos);
        if (comma < 0) {
            item_ += QStringView(normalised).mid(pos);
            return;
        }
        item_ += QStringView(normalised).mid(pos, comma - pos);
        items_.push_back(std::move(item_));
        item_.clear();
        pos = comma + 1;
    }
}
