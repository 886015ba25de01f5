#include "forms/StatusLine.h"

#include <QPainter>
#include <QResizeEvent>
#include <QSizeGrip>
#include <QStyleOption>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ElidedLabel::setText(const QString& text) {
    QLabel::setText(text);
    setToolTip(text);
}

QSize ElidedLabel::sizeHint() const {
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(text()) + m.left() + m.right() + 2 * margin() + 4,
            QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    p.setPen(palette().windowText().color());
    p.drawText(area, int(alignment()) | Qt::TextSingleLine,
               fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent) {
    connect(this, &QStatusBar::messageChanged, this, [this](const QString& message) {
        setToolTip(message);
        fitInfo();
    });
}

void StatusLine::setInfo(ElidedLabel* info) {
    info_ = info;
    addPermanentWidget(info);
    fitInfo();
}

void StatusLine::fitInfo() {
    if (info_)
        info_->setMaximumWidth(currentMessage().isEmpty() ? QWIDGETSIZE_MAX : width() / 2);
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    fitInfo();
}

QRect StatusLine::messageRect() const {
    int left = 6;
    int right = width() - 12;
    if (const auto* grip = findChild<QSizeGrip*>(); grip && grip->isVisible())
        right = grip->x();
    if (info_ && info_->isVisible())
        right = qMin(right, info_->x() - 2);
    if (layoutDirection() == Qt::RightToLeft) {
        const int w = right - left;
        left = width() - right;
        right = left + w;
    }
    return QRect(left, 0, qMax(0, right - left), height());
}

void StatusLine::paintEvent(QPaintEvent* event) {
    const QString message = currentMessage();
    if (message.isEmpty()) {
        QStatusBar::paintEvent(event);
        return;
    }
    // As QStatusBar paints a message, cut with an ellipsis instead of in the
    // middle of a character.
    QPainter p(this);
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &opt, &p, this);
    if (info_ && info_->isVisible()) {
        QStyleOption item(0);
        item.rect = info_->geometry().adjusted(-2, -1, 2, 1);
        item.palette = palette();
        item.state = QStyle::State_None;
        style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &item, &p, info_);
    }
    const QRect area = messageRect();
    p.setPen(palette().windowText().color());
    p.drawText(area, Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(message, Qt::ElideRight, area.width()));
}
