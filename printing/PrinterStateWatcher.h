#pragma once

#include "printer/PrinterStatus.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class PrinterFeedback;
class QThread;

// What the operator reads about the printer behind a port: its status in
// plain words, or that it gives no feedback (no answer, a port that cannot
// answer or whose status setting is off).
QString printerStateText(const std::optional<PrinterStatus>& status, int32_t codePage);

// Asks the printer behind a layout's port for its status off the calling
// thread, because a printer host that cannot be reached holds a request for
// the connect time-out. One request is out at a time; a refresh while one is
// out asks again once it is back, and the answer to the older one is dropped.
// While held (a print run has the port) nothing is asked and answers are
// dropped. Destroying the watcher waits for a request still out, so the
// feedback object only has to outlive the watcher.
class PrinterStateWatcher : public QObject {
    Q_OBJECT
public:
    explicit PrinterStateWatcher(QObject* parent = nullptr);
    ~PrinterStateWatcher() override;

    // None: nothing is asked and the state stays empty.
    void setFeedback(PrinterFeedback* feedback);
    PrinterFeedback* feedback() const { return feedback_; }

    // Asks again for the port name's printer ("USB1", "USBX", ...); the text
    // is in the language of the code page. Ignored while held.
    void refresh(const QString& portName, int32_t codePage);

    void setHeld(bool held);
    bool isHeld() const { return held_; }
    // Waits for a request still out to close its port: a USB printer's
    // device opens for one user at a time. Its answer is then dropped unless
    // nothing newer was asked meanwhile.
    void finishAsking();

    // The last state, empty before the first answer and without feedback.
    QString stateText() const { return text_; }
    // Whether a request is out.
    bool isAsking() const { return thread_ != nullptr; }

signals:
    // The state changed to text (an empty text: nothing known).
    void stateChanged(const QString& text);
    // From the asking thread: the answer to request number `request`.
    void answered(quint64 request, const QString& text);

private:
    void ask();
    void take(quint64 request, const QString& text);
    void show(const QString& text);

    PrinterFeedback* feedback_ = nullptr;
    std::unique_ptr<QThread> thread_;
    quint64 request_ = 0; // the newest request
    bool pending_ = false;
    bool held_ = false;
    QString portName_;
    int32_t codePage_ = 0;
    QString text_;
};
