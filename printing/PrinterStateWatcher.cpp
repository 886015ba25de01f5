#include "printing/PrinterStateWatcher.h"

#include "printer/PrinterFeedback.h"
#include "settings/PortNames.h"

#include <QThread>

QString printerStateText(const std::optional<PrinterStatus>& status, int32_t codePage) {
    if (status)
        return describeStatus(*status, codePage);
    return codePage == 936 ? QStringLiteral(u"无打印机反馈")
                           : QStringLiteral("no printer feedback");
}

PrinterStateWatcher::PrinterStateWatcher(QObject* parent) : QObject(parent) {
    connect(this, &PrinterStateWatcher::answered, this, &PrinterStateWatcher::take,
            Qt::QueuedConnection);
}

PrinterStateWatcher::~PrinterStateWatcher() {
    // The asking thread uses the feedback object and emits on this one.
    if (thread_)
        thread_->wait();
}

void PrinterStateWatcher::setFeedback(PrinterFeedback* feedback) {
    if (feedback_ == feedback)
        return;
    feedback_ = feedback;
    ++request_; // an answer still coming is from the object before
    pending_ = false;
    show(QString());
}

void PrinterStateWatcher::refresh(const QString& portName, int32_t codePage) {
    if (!feedback_ || held_)
        return;
    portName_ = portName;
    codePage_ = codePage;
    ++request_;
    if (thread_)
        pending_ = true;
    else
        ask();
}

void PrinterStateWatcher::setHeld(bool held) {
    held_ = held;
    if (held) {
        // Whatever is out now answers for a moment before the hold.
        ++request_;
        pending_ = false;
    }
}

void PrinterStateWatcher::finishAsking() {
    if (!thread_)
        return;
    thread_->wait();
    thread_.reset();
}

void PrinterStateWatcher::ask() {
    const int number = portNumber(portName_);
    const int32_t codePage = codePage_;
    const quint64 request = request_;
    // The mode is cheap to read and needs no device; a port that cannot
    // answer is never opened.
    if (feedback_->feedbackMode(number) == StatusMode::Off) {
        show(printerStateText(std::nullopt, codePage));
        return;
    }
    PrinterFeedback* feedback = feedback_;
    thread_.reset(QThread::create([this, feedback, number, codePage, request] {
        QString error;
        const std::optional<PrinterStatus> status =
            feedback->askStatus(number, DefaultStatusTimeoutMs, &error);
        emit answered(request, printerStateText(status, codePage));
    }));
    thread_->start();
}

void PrinterStateWatcher::take(quint64 request, const QString& text) {
    // The thread's last act was to emit; it is ending.
    finishAsking();
    if (request == request_ && !held_)
        show(text);
    if (pending_ && !held_ && feedback_) {
        pending_ = false;
        ask();
    }
}

void PrinterStateWatcher::show(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    emit stateChanged(text_);
}
