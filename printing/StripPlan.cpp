#include "printing/StripPlan.h"

#include "settings/PortNames.h"
#include "settings/uBarcode.h"

namespace {

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

std::optional<QString> barcodeRefusal(int width, int height, const QString& labelText) {
    if (width > MaxBarcodeWidth)
        return QStringLiteral("Barcode width %1 is wider than the printer allows (%2)")
            .arg(width)
            .arg(MaxBarcodeWidth);
    if (width < 1)
        return QStringLiteral("Barcode width %1 is narrower than the printer allows (1)")
            .arg(width);
    if (height < 1)
        return QStringLiteral("Barcode height %1 prints no barcode").arg(height);
    if (!barcodeCanCarry(barcodeContent(labelText)))
        return QStringLiteral("Label text %1 holds characters a barcode cannot carry")
            .arg(visible(labelText));
    return std::nullopt;
}

} // namespace

QString barcodeContent(const QString& labelText) {
    return labelText.mid(2, 6);
}

StripPlan planStrip(const TLabelLayout& layout, LabelFormat format, const LabelRow& row) {
    StripPlan plan;
    plan.portName = layout.port;
    plan.portNumber = portNumber(layout.port);
    plan.row = row;
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
            if (auto why = barcodeRefusal(layout.barcodeWidth(), bar.height, labelText))
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
                                         QStringLiteral("Label text %1 holds a NUL character, "
                                                        "which cannot be printed")
                                             .arg(visible(labelText))};
    }
    return plan;
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
