#pragma once

#include "printer/Port.h"
#include "printer/PplaDecoder.h"
#include "printer/StripRenderer.h"

// The virtual printer behind "preview:DIR": it reads the PPLA bytes written to
// it and, for every strip printed, saves strip-NNNNNN.png (the picture) and
// strip-NNNNNN.ppla (the bytes that made it) in DIR, numbering on from the
// highest number already there. Feeds print nothing. Images downloaded stay in
// its memory while the port is open, as in a printer's RAM.
class VirtualPrinterPort : public Port {
public:
    explicit VirtualPrinterPort(QString dir, VirtualPrinterOptions options = {});

    bool open() override;
    bool write(QByteArrayView bytes) override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString describe() const override { return QStringLiteral("preview:") + dir_; }

    // Files written since the port was created, PNG paths in order.
    const QStringList& written() const { return written_; }

private:
    QString dir_;
    VirtualPrinterOptions options_;
    PplaDecoder decoder_;
    bool open_ = false;
    int next_ = 1;
    QStringList written_;
};
