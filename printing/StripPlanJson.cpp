#include "printing/StripPlanJson.h"

#include "printing/StripPlan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject barcodeJson(const PlannedBarcode& b) {
    return {{QStringLiteral("x"), b.x},
            {QStringLiteral("y"), b.y},
            {QStringLiteral("moduleWidth"), b.moduleWidth},
            {QStringLiteral("height"), b.height},
            {QStringLiteral("content"), QString::fromUtf8(b.content)}};
}

QJsonObject textJson(const PlannedText& t) {
    QJsonObject o{{QStringLiteral("x"), t.x},
                  {QStringLiteral("y"), t.y},
                  {QStringLiteral("height"), t.height},
                  {QStringLiteral("font"), QString::fromUtf8(t.font)},
                  {QStringLiteral("image"), QString::fromLatin1(t.imageName)},
                  {QStringLiteral("text"), QString::fromUtf8(t.text)}};
    if (t.weight)
        o.insert(QStringLiteral("weight"), int(*t.weight));
    else
        o.insert(QStringLiteral("weight"), t.weightDigits);
    return o;
}

} // namespace

QByteArray stripPlanJson(const StripPlan& plan) {
    QJsonArray records;
    for (const LabelSlot& slot : plan.row.labels)
        records.append(QJsonObject{{QStringLiteral("id"), qint64(slot.id)},
                                   {QStringLiteral("text"), slot.text}});
    QJsonArray labels;
    for (const PlannedLabel& label : plan.labels) {
        QJsonObject o{{QStringLiteral("text"), textJson(label.text)}};
        if (label.barcode)
            o.insert(QStringLiteral("barcode"), barcodeJson(*label.barcode));
        labels.append(o);
    }
    const QJsonObject root{{QStringLiteral("port"), plan.portName},
                           {QStringLiteral("portNumber"), plan.portNumber},
                           {QStringLiteral("darkness"), plan.darkness},
                           {QStringLiteral("records"), records},
                           {QStringLiteral("labels"), labels}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
