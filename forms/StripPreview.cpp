#include "forms/StripPreview.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

QString leavesLabelText(const StripItem& item, int codePage) {
    const bool zh = codePage == 936;
    const QString what = item.kind == StripItem::Barcode
                             ? (zh ? QString::fromUtf8("条码") : QStringLiteral("barcode"))
                             : (zh ? QString::fromUtf8("文字") : QStringLiteral("text"));
    if (!item.refused.isEmpty())
        return zh ? QString::fromUtf8("第%1列%2无法打印: %3")
                        .arg(item.column + 1)
                        .arg(what, item.refused)
                  : QStringLiteral("Label %1: the %2 cannot be printed: %3")
                        .arg(item.column + 1)
                        .arg(what, item.refused);
    return zh ? QString::fromUtf8("第%1列%2超出标签").arg(item.column + 1).arg(what)
              : QStringLiteral("Label %1: the %2 leaves its label").arg(item.column + 1).arg(what);
}

QImage composePreview(const StripPreviewResult& result, const VirtualPrinterOptions& options) {
    QImage picture = result.strip.convertToFormat(QImage::Format_RGB32);
    QPainter p(&picture);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgb(kLabelOutline), 1));
    for (int c = 0; c < std::max(1, options.labelsAcross); ++c)
        p.drawRect(labelRect(c, options).adjusted(0, 0, -1, -1));
    p.setPen(QPen(QColor::fromRgb(kLeavesLabel), 1));
    for (const StripItem& item : result.items)
        if (leavesLabel(item, options) && !item.box.isEmpty())
            p.drawRect(item.box.adjusted(0, 0, -1, -1));
    return picture;
}

TStripPreview::TStripPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StripPreview"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    lblStrip = new QLabel(this);
    lblStrip->setObjectName(QStringLiteral("lblStrip"));
    lblStrip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFlags = new QLabel(this);
    lblFlags->setObjectName(QStringLiteral("lblFlags"));
    lblFlags->setStyleSheet(QStringLiteral("color: #c01818;"));
    lblFlags->setWordWrap(true);
    box->addWidget(lblStrip);
    box->addWidget(lblFlags);
}

void TStripPreview::display(const StripPreviewResult& result,
                            const VirtualPrinterOptions& options) {
    result_ = result;
    picture_ = composePreview(result, options);
    lblStrip->setPixmap(QPixmap::fromImage(picture_));
    flags_.clear();
    if (!result.error.isEmpty())
        flags_ << result.error;
    flags_ << result.messages;
    for (const StripItem& item : result.items)
        if (leavesLabel(item, options))
            flags_ << leavesLabelText(item, codePage_);
    lblFlags->setText(flags_.join(QLatin1Char('\n')));
}
