#include "printer/PrinterStatus.h"

namespace {

constexpr int32_t kChinese = 936;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::optional<PrinterStatus> refuse(QString* error, const QString& why, QByteArrayView answer) {
    if (error)
        *error =
            QStringLiteral("The printer's status answer \"%1\" %2").arg(visibleBytes(answer), why);
    return std::nullopt;
}

} // namespace

bool PrinterStatus::ready() const {
    return !has(StatusFlag::PaperOut) && !has(StatusFlag::RibbonOut) &&
           !has(StatusFlag::RewinderFault) && !has(StatusFlag::Paused);
}

bool PrinterStatus::busy() const {
    return has(StatusFlag::InterpreterBusy) || has(StatusFlag::PrintingBatch) ||
           has(StatusFlag::BusyPrinting);
}

QList<StatusFlag> PrinterStatus::faults() const {
    QList<StatusFlag> out;
    for (StatusFlag f : {StatusFlag::PaperOut, StatusFlag::RibbonOut, StatusFlag::Paused,
                         StatusFlag::RewinderFault}) {
        if (has(f))
            out.append(f);
    }
    return out;
}

QByteArray PrinterStatus::flagText() const {
    QByteArray text;
    for (bool on : flags)
        text += on ? 'Y' : 'N';
    return text;
}

std::optional<PrinterStatus> parsePrinterStatus(QByteArrayView answer, QString* error) {
    QByteArrayView body = answer;
    if (body.startsWith('\n'))
        body = body.sliced(1);
    const qsizetype cr = body.indexOf('\r');
    if (cr < 0)
        return refuse(error, QStringLiteral("has no CR at its end (cut short)"), answer);
    for (char c : body.sliced(cr)) {
        if (!isLineEnd(c))
            return refuse(error, QStringLiteral("goes on after its CR"), answer);
    }
    const QByteArrayView flags = body.first(cr);
    if (flags.size() < StatusFlagCount)
        return refuse(
            error, QStringLiteral("has %1 of the %2 flags").arg(flags.size()).arg(StatusFlagCount),
            answer);
    PrinterStatus status;
    for (qsizetype i = 0; i < flags.size(); ++i) {
        const char c = flags[i];
        if (c != 'Y' && c != 'N')
            return refuse(error,
                          QStringLiteral("has \"%1\" where a Y or N belongs (character %2)")
                              .arg(visibleBytes(flags.sliced(i, 1)))
                              .arg(i + 1),
                          answer);
        if (i < StatusFlagCount)
            status.flags[static_cast<size_t>(i)] = c == 'Y';
        else
            status.more += c;
    }
    return status;
}

QString statusFlagText(StatusFlag flag, int32_t codePage) {
    struct Text {
        const char16_t* chinese;
        const char* english;
    };
    // In the order of StatusFlag.
    static constexpr Text texts[StatusFlagCount] = {
        {u"打印机正在处理标签格式", "the printer is reading a label format"},
        {u"打印机缺纸或纸张故障", "the printer is out of paper or has a fault"},
        {u"碳带用完或碳带故障", "the ribbon is out or has a fault"},
        {u"打印机还有本批标签未打印", "the printer has labels of a batch still to print"},
        {u"打印机正在打印", "the printer is printing"},
        {u"打印机已暂停", "the printer is paused"},
        {u"打印好的标签等待取走", "a printed label waits to be taken"},
        {u"回卷器未就绪或故障", "the rewinder is out or has a fault"},
    };
    const auto index = static_cast<size_t>(flag);
    if (index >= std::size(texts))
        return {};
    return codePage == kChinese ? QString::fromUtf16(texts[index].chinese)
                                : QString::fromLatin1(texts[index].english);
}

QString describeStatus(const PrinterStatus& status, int32_t codePage) {
    const QList<StatusFlag> faults = status.faults();
    if (faults.isEmpty())
        return codePage == kChinese ? QStringLiteral(u"打印机就绪")
                                    : QStringLiteral("the printer is ready");
    QStringList texts;
    for (StatusFlag f : faults)
        texts.append(statusFlagText(f, codePage));
    return texts.join(codePage == kChinese ? QStringLiteral(u"；") : QStringLiteral("; "));
}

QString visibleBytes(QByteArrayView bytes) {
    QString out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += QStringLiteral("<CR>");
        else if (c == '\n')
            out += QStringLiteral("<LF>");
        else if (c == '\x01')
            out += QStringLiteral("<SOH>");
        else if (u >= 0x20 && u < 0x7f)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("<x%1>").arg(
                QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    }
    return out;
}
