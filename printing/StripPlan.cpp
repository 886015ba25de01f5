#include "printing/StripPlan.h"

#include "settings/PortNames.h"
#include "settings/uBarcode.h"

namespace {

constexpr int32_t kChinese = 936;

// The image name each label's text is sent under, left to right.
constexpr const char* kTextImageNames[] = {"A3", "B3", "C3"};

// A control character is shown as \xNN, so a NUL or a tab can be seen.
QString visible(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Code 128 carries 7-bit characters; a NUL would end the driver's text early.
bool barcodeCanCarry(const QString& content) {
    for (QChar c : content)
        if (c.unicode() == 0 || c.unicode() > 0x7f)
            return false;
    return true;
}

// Chinese under code page 936, English otherwise; the arguments follow in the
// same order in both.
QString said(int32_t codePage, const char* english, const char* chinese) {
    return codePage == kChinese ? QString::fromUtf8(chinese) : QString::fromLatin1(english);
}

std::optional<QString> barcodeRefusal(int width, int height, const QString& labelText,
                                      int32_t codePage) {
    if (width > MaxBarcodeWidth)
        return said(codePage, "Barcode width %1 is wider than the printer allows (%2)",
                    "条码宽度 %1 超过打印机允许的最大值（%2）")
            .arg(width)
            .arg(MaxBarcodeWidth);
    if (width < 1)
        return said(codePage, "Barcode width %1 is narrower than the printer allows (1)",
                    "条码宽度 %1 小于打印机允许的最小值（1）")
            .arg(width);
    if (height < 1)
        return said(codePage, "Barcode height %1 prints no barcode", "条码高度 %1 打印不出条码")
            .arg(height);
    if (!barcodeCanCarry(barcodeContent(labelText)))
        return said(codePage, "Label text %1 holds characters a barcode cannot carry",
                    "标签文字 %1 含有条码无法表示的字符")
            .arg(visible(labelText));
    return std::nullopt;
}

} // namespace

QString barcodeContent(const QString& labelText) {
    return labelText.mid(2, 6);
}

StripPlan planStrip(const TLabelLayout& layout, LabelFormat format, const LabelRow& row,
                    int32_t codePage) {
    StripPlan plan;
    plan.portName = layout.port;
    plan.portNumber = portNumber(layout.port);
    plan.row = row;
    plan.codePage = codePage;
    const QByteArray font = layout.font.face.toUtf8();
    for (size_t c = 0; c < plan.labels.size(); ++c) {
        const LabelBox& bar = layout.columns[c].barcode;
        const LabelBox& txt = layout.columns[c].text;
        const QString& labelText = row.labels[c].text;
        PlannedLabel& label = plan.labels[c];
        label.text.font = font;
        label.text.weight = layout.font.weight;
        label.text.weightDigits = layout.font.weightDigits();
        label.text.imageName = kTextImageNames[c];
        if (format == LabelFormat::Barcode) {
            label.barcode = PlannedBarcode{bar.left, bar.top, layout.barcodeWidth(), bar.height,
                                           barcodeContent(labelText).toUtf8()};
            label.text.x = txt.left + 10;
            label.text.y = txt.top;
            label.text.height = txt.height;
            label.text.text = (QStringLiteral("SN:") + labelText).toUtf8();
            if (auto why = barcodeRefusal(layout.barcodeWidth(), bar.height, labelText, codePage))
                plan.refused << RefusedField{int(c), QStringLiteral("barcode"), *why};
        } else {
            // The text alone takes the room of the barcode and its line.
            label.text.x = txt.left + 10;
            label.text.y = txt.top - txt.height + 8;
            label.text.height = 2 * txt.height - 8;
            label.text.text = labelText.toUtf8();
        }
        if (labelText.contains(QChar(0)))
            plan.refused << RefusedField{int(c), QStringLiteral("text"),
                                         said(codePage,
                                              "Label text %1 holds a NUL character, which "
                                              "cannot be printed",
                                              "标签文字 %1 含有无法打印的 NUL 字符")
                                             .arg(visible(labelText))};
    }
    return plan;
}

QString refusalMessage(const LabelRow& row, const RefusedField& refused, int32_t codePage) {
    const bool zh = codePage == kChinese;
    const LabelSlot& slot = row.labels[size_t(refused.column)];
    QString who = slot.text.isEmpty() && slot.id == 0
                      ? said(codePage, "Column %1", "第%1列").arg(refused.column + 1)
                      : said(codePage, "Label %1", "标签 %1").arg(visible(slot.text));
    if (slot.id != 0)
        who += said(codePage, " (Iden_id %1)", "（Iden_id %1）").arg(slot.id);
    QString field = refused.field;
    if (zh)
        field = refused.field == QLatin1String("barcode") ? QString::fromUtf8("条码")
                                                          : QString::fromUtf8("文字");
    return said(codePage, "%1, %2: %3. Its strip was not printed.", "%1的%2：%3。该标签条未打印。")
        .arg(who, field, refused.reason);
}
