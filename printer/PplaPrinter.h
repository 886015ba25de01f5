#pragma once

#include "printer/PortConfig.h"
#include "printer/PplaApi.h"
#include "printer/PplaEncoder.h"
#include "printer/PrinterFeedback.h"
#include "printer/StripRenderer.h"
#include "printer/TextRaster.h"

#include <memory>

class Port;

// Settings of a PplaPrinter; the defaults suit a 203 dpi printer and 30 mm x 10 mm labels.
struct PplaPrinterOptions {
    EncoderOptions encoder;
    int writeTimeoutMs = 10000;
    int connectTimeoutMs = 5000;
    QString sysfsDir = QStringLiteral("/sys/class/usbmisc");
    QString devDir = QStringLiteral("/dev/usb");
    PortConfig::Env env;           // process environment when empty
    VirtualPrinterOptions preview; // for preview: ports
};

// The native driver: the ten operations encoded as PPLA and written to a port.
//
// Arguments, as the printing code passes them:
// - A_CreatePrn(selection, name): selection 0 opens the port configured for the
//   port number in name ("0" ... "6", see PortConfig); selection 12 opens name
//   itself, a device path or any port value PortConfig takes (as
//   A_GetUSBDeviceInfo gives it). An open port is closed first. Fails when the
//   device cannot be opened or connected, with the system's reason.
// - A_Set_Darkness(heat): print head heat 0-30 (Hnn), kept until the port closes.
// - A_Prn_Barcode(x, y, widthSetting, type, narrow, wide, height, mode, numeric,
//   data): a Code 128 barcode. The third argument is the layout's barcode width:
//   the module (narrowest bar) is narrow x widthSetting dots, so the layout's
//   width 1 with narrow 2 gives 2-dot (0.25 mm) modules, which a 203 dpi head
//   prints cleanly and scanners read; a six-character text then takes 202 dots
//   in subset B, less for digits. Positions: see PplaEncoder (x from the strip's
//   left edge; y from the label's bottom edge up to the top of the bars).
// - A_Prn_Text_TrueType(x, y, size, font, orient, weight, italic, underline,
//   strikeOut, name, text, memMode): text drawn on the host in the font with a
//   line height of size dots and weight 100-900, downloaded as the image name;
//   y from the label's top edge down to the top of the text line.
// - A_Print_Out(width, height, copies, amount): dot size width x height (1 1 is
//   the head's own dots), quantity copies x amount. Sends the whole strip at once
//   and fails when the port does not take it within the time limit.
// - A_Feed_Label(): advances one blank label, but only when no print-out was
//   made since the port was opened: a print-out already advances past its
//   strip, so the feeds that follow it are no-ops and waste no labels.
// - A_ClosePrn(): closes the port; drawing not printed is dropped.
// Every operation with no port open fails with PplaResult::NotOpen.
//
// As PrinterFeedback it asks the printer a port number reaches on a port of
// its own, leaving the port of the ten operations alone. A printer made with
// a fixed port is never asked.
class PplaPrinter : public PplaApi, public PrinterFeedback {
public:
    using Options = PplaPrinterOptions;

    PplaPrinter();
    explicit PplaPrinter(Options options);
    // Every A_CreatePrn opens this port, whatever its arguments: a MemoryPort
    // gives the bytes of a strip without a device.
    explicit PplaPrinter(std::shared_ptr<Port> port, Options options = {});
    ~PplaPrinter() override;

    PPLA_API_OPERATIONS
    QString lastErrorText() const override { return lastError_; }
    QByteArray lastPrintOut() const override { return lastPrintOut_; }
    bool printOutLeft() const override { return printOutLeft_; }

    StatusMode feedbackMode(int portNumber) override;
    std::optional<PrinterStatus> askStatus(int portNumber, int timeoutMs, QString* error) override;
    bool printerSpoke() const override { return spoke_; }
    std::optional<PrinterStatus> askOpenPort(int timeoutMs, QString* error) override;

    // The barcodes and texts of the strip drawn since the port was opened (or,
    // after a print-out, of the strip printed), one item per drawing call the
    // encoder took, in call order: where its ink goes or why it was refused
    // (see DrawnItem). Kept through the print-out and the close so that the
    // strip just made can be looked at; the next open clears them.
    const QList<DrawnItem>& drawnItems() const { return drawn_; }

    // What the open port reaches (empty when none is open).
    QString portDescription() const;

    // The port a configured value opens, not yet opened.
    static std::unique_ptr<Port> createPort(const PortTarget& target, const Options& options);

private:
    struct UsbEntry {
        QString name;
        QString path;
    };
    QList<UsbEntry> usbPrinters() const;
    // The configured target of a port number, as A_CreatePrn opens it.
    PortTarget targetFor(int portNumber) const;
    int fail(int code, const QString& text);
    int result(int code, const QString& error);

    Options options_;
    bool spoke_ = false; // the printer's answer to the last failed request
    PortConfig config_;
    TextRasterCache cache_;
    PplaEncoder encoder_;
    std::shared_ptr<Port> fixedPort_;
    std::shared_ptr<Port> port_;
    bool printedSinceOpen_ = false;
    QList<DrawnItem> drawn_;
    QString lastError_;
    QByteArray lastPrintOut_;
    bool printOutLeft_ = true;
};
