#pragma once

#include "printer/PplaApi.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

// A PplaApi for tests: records every call with its arguments and answers with
// scripted results. Nothing is printed.
//
//   RecordingPpla ppla;
//   ppla.setResult("A_CreatePrn", 1);           // every A_CreatePrn fails
//   ppla.queueResults("A_GetUSBBufferLen", {1}); // only the next call gives 1
//   ppla.setLastErrorText("Connection refused");
//   ppla.setUsbDevice("OS-214", "/dev/usb/lp0"); // what A_GetUSBDeviceInfo fills in
//   ... run the job ...
//   QCOMPARE(ppla.log(), QStringList{"A_CreatePrn(0,\"1\")", ...});
//
// Unscripted operations return 0, A_GetUSBBufferLen included (no USB printer).
class RecordingPpla : public PplaApi {
public:
    struct Call {
        QString op;
        QVariantList args; // ints as int, chars as QChar, texts as QByteArray
        int result = 0;
    };

    void setResult(const QString& op, int result) { results_.insert(op, result); }
    void queueResults(const QString& op, const QList<int>& results) { queued_[op] += results; }
    void setLastErrorText(const QString& text) { lastError_ = text; }
    void setUsbDevice(const QByteArray& name, const QByteArray& path) {
        usbName_ = name;
        usbPath_ = path;
    }

    const QList<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    // Each call as text: A_Prn_Barcode(30,30,1,'e',2,1,30,'N',0,"345678").
    QStringList log() const;
    // The names of the operations called, in order.
    QStringList ops() const;

    PPLA_API_OPERATIONS
    QString lastErrorText() const override { return lastError_; }

private:
    int record(const QString& op, QVariantList args);

    QList<Call> calls_;
    QHash<QString, int> results_;
    QHash<QString, QList<int>> queued_;
    QString lastError_;
    QByteArray usbName_;
    QByteArray usbPath_;
};
