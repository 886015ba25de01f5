#include "printer/Port.h"
#include "printer/PplaPrinter.h"
#include "printer/PplaResult.h"
#include "printer/StripRenderer.h"
#include "printer/VirtualPrinter.h"
#include "tests/support/DataTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// Ports that keep strips in files: file:PATH appends them, preview:DIR saves
// a picture and the bytes of each. A disk that fills up must fail the strip
// and leave no part of it behind.

namespace {

// Lowers the process's file size limit to bytes while it lives: a write past
// it fails with EFBIG after writing what fits, as on a disk that fills up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &oldAction_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::sigaction(SIGXFSZ, &oldAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    struct sigaction oldAction_ {};
};

// The bytes of one strip with a barcode per label, as the driver sends them.
QByteArray barcodeStrip(const char* text) {
    auto port = std::make_shared<MemoryPort>();
    PplaPrinter printer(port);
    printer.A_CreatePrn(0, "1");
    for (int c = 0; c < 3; ++c)
        printer.A_Prn_Barcode(30 + 240 * c, 30, 1, 'e', 2, 1, 30, 'N', 0, text);
    printer.A_Print_Out(1, 1, 1, 1);
    printer.A_ClosePrn();
    return port->bytes();
}

// Prints what barcodeStrip() draws through printer's port "0".
int printOne(PplaPrinter& printer) {
    if (printer.A_CreatePrn(0, "0") != PplaResult::Ok)
        return PplaResult::OpenFailed;
    for (int c = 0; c < 3; ++c)
        printer.A_Prn_Barcode(30 + 240 * c, 30, 1, 'e', 2, 1, 30, 'N', 0, "ABC123");
    const int rc = printer.A_Print_Out(1, 1, 1, 1);
    printer.A_ClosePrn();
    return rc;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList stripFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("strip-*")}, QDir::Files | QDir::System);
}

QByteArray pngOf(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestStripFiles : public QObject {
    Q_OBJECT
private slots:
    // file:PATH: the strip that does not fit is cut back out of the file.
    void fileKeepsWholeStrips_data() {
        // before: strips already in the file
        // room: how much of the next strip fits, in percent
        DataTable<int, int>({"before", "room"})
            .row("empty file, half fits", 0, 50)
            .row("one strip in, half fits", 1, 50)
            .row("one strip in, nothing fits", 1, 0);
    }
    void fileKeepsWholeStrips() {
        QFETCH(int, before);
        QFETCH(int, room);
        QTemporaryDir dir;
        const QString path = dir.filePath("out.ppla");
        const QByteArray strip = barcodeStrip("ABC123");
        PplaPrinterOptions options;
        options.env = [&](const QString& name) {
            return name == "VORNELL_PRINTER_0" ? "file:" + path : QString();
        };
        PplaPrinter printer(options);
        for (int i = 0; i < before; ++i)
            QCOMPARE(printOne(printer), PplaResult::Ok);
        const QByteArray kept = readAll(path);
        QCOMPARE(kept, strip.repeated(before));
        int rc = PplaResult::Ok;
        {
            const FileSizeLimit full(kept.size() + strip.size() * room / 100);
            rc = printOne(printer);
        }
        QCOMPARE(rc, PplaResult::WriteFailed);
        QVERIFY2(printer.lastErrorText().contains("File too large"),
                 qPrintable(printer.lastErrorText()));
        QCOMPARE(readAll(path), kept);
        // With room again, the next strip follows the whole ones.
        QCOMPARE(printOne(printer), PplaResult::Ok);
        QCOMPARE(readAll(path), kept + strip);
    }

    // preview:DIR: a strip whose bytes or picture cannot be saved whole fails
    // and leaves no file; the next one that fits is saved whole.
    void previewSavesWholeStrips_data() {
        // cut: which file the limit cuts
        DataTable<QString>({"cut"})
            .row("nothing fits", "none")
            .row("bytes cut short", "ppla")
            .row("picture cut short", "png");
    }
    void previewSavesWholeStrips() {
        QFETCH(QString, cut);
        const QByteArray strip = barcodeStrip("ABC123");
        const QImage picture = renderStrip(strip);
        const qsizetype pngSize = pngOf(picture).size();
        QVERIFY2(pngSize > strip.size() + 20, "the picture is the larger file");
        rlim_t limit = 0;
        if (cut == "ppla")
            limit = strip.size() / 2;
        else if (cut == "png")
            limit = strip.size() + (pngSize - strip.size()) / 2;
        QTemporaryDir dir;
        VirtualPrinterPort port(dir.path());
        QVERIFY(port.open());
        bool ok = true;
        {
            const FileSizeLimit full(limit);
            ok = port.write(strip);
        }
        QVERIFY(!ok);
        QVERIFY2(port.errorText().contains("File too large"), qPrintable(port.errorText()));
        QCOMPARE(stripFiles(dir.path()), QStringList());
        QVERIFY(port.written().isEmpty());
        QVERIFY2(port.write(strip), qPrintable(port.errorText()));
        QCOMPARE(port.written().size(), 1);
        const QString png = port.written().first();
        QVERIFY(png.endsWith(".png"));
        QCOMPARE(QImage(png).convertToFormat(picture.format()), picture);
        QString ppla = png;
        ppla.replace(".png", ".ppla");
        QCOMPARE(readAll(ppla), strip);
        QCOMPARE(stripFiles(dir.path()).size(), 2);
    }
};

QTEST_MAIN(TestStripFiles)
#include "tst_stripfiles.moc"
