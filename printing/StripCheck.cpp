#include "printing/StripCheck.h"

#include "printing/PrintLabelRowJob.h"
#include "settings/uBarcode.h"

namespace {

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

std::optional<QString> barcodeRefusal(const TLabelLayout& layout, int height,
                                      const QString& labelText) {
    if (layout.barcodeWidth() > MaxBarcodeWidth)
        return QStringLiteral("Barcode width %1 is wider than the printer allows (%2)")
            .arg(layout.barcodeWidth())
            .arg(MaxBarcodeWidth);
    if (layout.barcodeWidth() < 1)
        return QStringLiteral("Barcode width %1 is narrower than the printer allows (1)")
            .arg(layout.barcodeWidth());
    if (height < 1)
        return QStringLiteral("Barcode height %1 prints no barcode").arg(height);
    if (!barcodeCanCarry(barcodeContent(labelText)))
        return QStringLiteral("Label text %1 holds characters a barcode cannot carry")
            .arg(visible(labelText));
    return std::nullopt;
}

} // namespace

std::optional<RefusedField> refusedField(const LabelRow& row, const TLabelLayout& layout,
                                         LabelFormat format) {
    for (int c = 0; c < 3; ++c) {
        const QString& text = row.labels[size_t(c)].text;
        if (format == LabelFormat::Barcode) {
            if (auto why = barcodeRefusal(layout, layout.columns[size_t(c)].barcode.height, text))
                return RefusedField{c, QStringLiteral("barcode"), *why};
        }
        if (text.contains(QChar(0)))
            return RefusedField{c, QStringLiteral("text"),
                                QStringLiteral("Label text %1 holds a NUL character, which "
                                               "cannot be printed")
                                    .arg(visible(text))};
    }
    return std::nullopt;
}

QString refusalMessage(const LabelRow& row, const RefusedField& refused) {
    const LabelSlot& slot = row.labels[size_t(refused.column)];
    QString who = slot.text.isEmpty() && slot.id == 0
                      ? QStringLiteral("Column %1").arg(refused.column + 1)
                      : QStringLiteral("Label %1").arg(visible(slot.text));
    if (slot.id != 0)
        who += QStringLiteral(" (Iden_id %1)").arg(slot.id);
    return QStringLiteral("%1, %2: %3. Its strip was not printed.")
        .arg(who, refused.field, refused.reason);
}
