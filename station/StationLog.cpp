#include "station/StationLog.h"

#include <QStringList>

#include <sys/stat.h>
#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <vector>

const char* messageIdOf(StationEvent event) {
    switch (event) {
    case StationEvent::None:
        break;
    case StationEvent::RunEnded:
        return "c4613a8f2df74abdbe547ef9facd80f0";
    case StationEvent::StripHeld:
        return "b3f2af7502114ff795b5095027942c79";
    case StationEvent::StripDecided:
        return "92bcad3ae9e34f9c8e8d3a75d84af139";
    case StationEvent::PrinterFault:
        return "7810cd0ee1b447b18731feba9f182ff9";
    case StationEvent::DatabaseLost:
        return "66cc42181ed8450f892eb512172b5c40";
    }
    return "";
}

bool StationLog::underSystemd(const QProcessEnvironment& env) {
    return !env.value(QStringLiteral("JOURNAL_STREAM")).isEmpty() ||
           !env.value(QStringLiteral("INVOCATION_ID")).isEmpty();
}

void StationLog::useJournalFields(const QProcessEnvironment& env) {
    // JOURNAL_STREAM is "device:inode" of the stream systemd connected to the
    // journal; it counts only while standard error is still that stream.
    const QStringList parts = env.value(QStringLiteral("JOURNAL_STREAM")).split(QLatin1Char(':'));
    struct stat st {};
    journalFields_ = parts.size() == 2 && ::fstat(fileno(err_), &st) == 0 &&
                     parts[0].toULongLong() == st.st_dev && parts[1].toULongLong() == st.st_ino;
}

void StationLog::setStation(const QString& station, const QString& port) {
    station_ = station;
    port_ = port;
}

QString StationLog::line(Level level, const QString& text) const {
    const QString body = oneLine(text);
    if (!priorities_)
        return body;
    return QStringLiteral("<%1>").arg(int(level)) + body;
}

bool StationLog::sendToJournal(Level level, const QString& text, StationEvent event,
                               const EventFields& fields) {
    QList<QByteArray> items{"MESSAGE=" + oneLine(text).toUtf8(),
                            "PRIORITY=" + QByteArray::number(int(level))};
    if (event != StationEvent::None)
        items << QByteArray("MESSAGE_ID=") + messageIdOf(event);
    if (!station_.isEmpty())
        items << "VORNELL_STATION=" + station_.toUtf8();
    if (!port_.isEmpty())
        items << "VORNELL_PORT=" + port_.toUtf8();
    if (!fields.strip.isEmpty())
        items << "VORNELL_STRIP=" + fields.strip.toUtf8();
    if (!fields.ids.isEmpty()) {
        QStringList ids;
        for (int64_t id : fields.ids)
            ids << QString::number(id);
        items << "VORNELL_IDEN_IDS=" + ids.join(QLatin1Char(' ')).toUtf8();
    }
    std::vector<iovec> iov;
    for (QByteArray& item : items)
        iov.push_back({item.data(), size_t(item.size())});
    return sd_journal_sendv(iov.data(), int(iov.size())) >= 0;
}

void StationLog::write(Level level, const QString& text, StationEvent event,
                       const EventFields& fields) {
    if (journalFields_ && sendToJournal(level, text, event, fields))
        return;
    const QByteArray bytes = line(level, text).toUtf8() + '\n';
    std::FILE* to = level == Level::Error ? err_ : out_;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

QString oneLine(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out.trimmed();
}
