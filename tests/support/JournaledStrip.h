#pragma once

#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/StripPlan.h"
#include "printing/StripPlanJson.h"
#include "tests/support/StripLayout.h"

#include <QCryptographicHash>

#include <map>

// Driver options whose environment holds only env (VORNELL_PRINTER_USB1 =
// "file:..." and the like).
inline PplaPrinterOptions printerEnv(std::map<QString, QString> env) {
    PplaPrinterOptions o;
    o.env = [env = std::move(env)](const QString& name) {
        const auto it = env.find(name);
        return it == env.end() ? QString() : it->second;
    };
    return o;
}

// Driver options under which USB1 reaches target and nothing else is set.
inline PplaPrinterOptions usb1Reaches(const QString& target) {
    return printerEnv({{QStringLiteral("VORNELL_PRINTER_USB1"), target}});
}

// Prints row in the strip layout's barcode format to file (file: on USB1)
// and journals it as a print run does: "sending" with its plan and records,
// "sent" with the hash of its bytes, then last (with the reason "jam" for a
// failure or fault) unless last is Sent. Its entry.
inline qint64 printJournaled(PrintJournal& journal, const LabelRow& row, const QString& file,
                             StripState last = StripState::Marked) {
    const StripPlan plan = planStrip(stripLayout(), LabelFormat::Barcode, row);
    NewStrip s;
    s.kind = EntryKind::HandTyped;
    s.port = QStringLiteral("USB1");
    s.device = QStringLiteral("file:") + file;
    s.database = QStringLiteral("sqlite:labels.db");
    s.planJson = QString::fromUtf8(stripPlanJson(plan));
    s.reason = QStringLiteral("");
    for (const LabelSlot& slot : row.labels) {
        if (slot.id != 0)
            s.kind = EntryKind::List;
        if (slot.id != 0 || !slot.text.isEmpty())
            s.records.append({slot.id, slot.text});
    }
    const qint64 id = journal.begin(s);
    PplaPrinter printer(usb1Reaches(s.device));
    QString failure;
    if (!PrintLabelRowJob(plan, printer, &failure))
        qFatal("printJournaled: %s", qPrintable(failure));
    const QByteArray hash =
        QCryptographicHash::hash(printer.lastPrintOut(), QCryptographicHash::Sha256).toHex();
    journal.note(id, StripState::Sent, QStringLiteral(""), QString::fromLatin1(hash));
    if (last != StripState::Sent)
        journal.note(id, last,
                     last == StripState::Marked ? QStringLiteral("") : QStringLiteral("jam"),
                     QStringLiteral(""));
    return id;
}
