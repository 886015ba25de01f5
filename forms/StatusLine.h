#pragma once

#include <QLabel>
#include <QStatusBar>

// A label of the status line: its text, however long, never widens the
// window. What does not fit is cut with an ellipsis; the tooltip holds the
// whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The status line: a message, cut with an ellipsis where it does not fit (the
// tooltip holds it whole), and the permanent station information on the
// right, which leaves the message at least half of the line.
class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
    // The permanent part on the right.
    void setInfo(ElidedLabel* info);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitInfo();
    QRect messageRect() const;
    ElidedLabel* info_ = nullptr;
};
