#pragma once

class PrintJournal;

#include <QList>
#include <QProcessEnvironment>
#include <QString>

class PplaApi;
class PrinterFeedback;
struct TLabelLayout;

// One port as the station checks it: whether it opens as a print would open
// it, and what its printer says.
struct PortCheck {
    QString name;   // "USB1" ... "USB6", "USBX", or the layout's name for port 0
    int number = 0; // settings/PortNames.h
    QString device; // what the name reaches, as the status line shows it
    bool layoutPort = false;
    bool opens = false;
    QString openError; // why it did not open
    QString state;     // the printer's state in plain words, or "no printer feedback"
    // Usable for printing: it opens, and where the printer answered it is
    // ready; where feedback is required, it answered.
    bool usable = false;
    // What its marks stand on: "confirmed by the printer", "the printer took
    // the bytes: not confirmed" (a device or file), "a network peer
    // acknowledged the bytes: not confirmed" (TCP).
    QString proves;
};

// The port numbers worth checking: those configured in the environment
// (VORNELL_PRINTER_USB1 ... _USB6, _USBX, _0) and the layout's port, in
// number order without repeats.
QList<int> configuredPorts(const QProcessEnvironment& env, const TLabelLayout& layout);

// Opens the port as a strip would (the USB search for USBX) and closes it
// again, without sending anything; false with the driver's reason otherwise.
bool openAndClose(PplaApi& ppla, int portNumber, QString* error);

// Checks one port: open, then the printer's status where it can answer.
// journal (when given): where a printer that has answered a status request
// before is noted; such a printer is held to confirmation.
PortCheck checkPort(PplaApi& ppla, PrinterFeedback& feedback, int portNumber,
                    const TLabelLayout& layout, int32_t codePage,
                    const PrintJournal* journal = nullptr);
