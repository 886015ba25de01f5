#pragma once

#include "printer/Port.h"
#include "printer/PplaPrinter.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Draws one strip through the native driver the way the print job does, into
// memory, and gives back the bytes.
struct StripColumn {
    QByteArray text;
    int bleft, btop, bheight;
    int fleft, ftop, fheight;
};

enum class StripFormat { Barcode, Text };

inline QByteArray drawStrip(const QList<StripColumn>& columns, StripFormat format,
                            const QByteArray& font = "Times New Roman", int weight = 400,
                            int bwidth = 1) {
    auto port = std::make_shared<MemoryPort>();
    PplaPrinter printer(port);
    printer.A_CreatePrn(0, "1");
    printer.A_Set_Darkness(12);
    const char* names[] = {"A3", "B3", "C3"};
    for (int c = 0; c < columns.size(); ++c) {
        const StripColumn& col = columns[c];
        if (format == StripFormat::Barcode) {
            const QByteArray content = col.text.size() > 2 ? col.text.mid(2, 6) : QByteArray();
            printer.A_Prn_Barcode(col.bleft, col.btop, bwidth, 'e', 2, 1, col.bheight, 'N', 0,
                                  content.constData());
            const QByteArray sn = "SN:" + col.text;
            printer.A_Prn_Text_TrueType(col.fleft + 10, col.ftop, col.fheight, font.constData(), 1,
                                        weight, 0, 0, 0, names[c], sn.constData(), 1);
        } else {
            printer.A_Prn_Text_TrueType(col.fleft + 10, col.ftop - col.fheight + 8,
                                        2 * col.fheight - 8, font.constData(), 1, weight, 0, 0, 0,
                                        names[c], col.text.constData(), 1);
        }
    }
    printer.A_Print_Out(1, 1, 1, 1);
    printer.A_Feed_Label();
    printer.A_Feed_Label();
    printer.A_ClosePrn();
    return port->bytes();
}

// The layout's defaults for column c (0-based).
inline StripColumn defaultColumn(int c, const QByteArray& text) {
    const int left = c == 0 ? 30 : 240;
    return {text, left, 30, 30, left, 18, 30};
}
