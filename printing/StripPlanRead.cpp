#include "printing/StripPlanRead.h"

#include "core/AppError.h"
#include "printing/StripPlan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>

namespace {

[[noreturn]] void unreadable(const QString& why) {
    throw AppError(QStringLiteral("The journal's plan of this strip cannot be read: %1").arg(why));
}

// The plan keeps an image name as a C string for the run's life; names read
// back are kept here, one copy each.
const char* imageName(const QString& name) {
    static std::set<QByteArray> names;
    return names.insert(name.toLatin1()).first->constData();
}

int number(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        unreadable(QStringLiteral("\"%1\" is missing or no number").arg(QLatin1String(key)));
    return v.toInt();
}

QString text(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isString())
        unreadable(QStringLiteral("\"%1\" is missing or no text").arg(QLatin1String(key)));
    return v.toString();
}

PlannedBarcode barcodeFrom(const QJsonObject& o) {
    return {number(o, "x"), number(o, "y"), number(o, "moduleWidth"), number(o, "height"),
            text(o, "content").toUtf8()};
}

PlannedText textFrom(const QJsonObject& o) {
    PlannedText t;
    t.x = number(o, "x");
    t.y = number(o, "y");
    t.height = number(o, "height");
    t.font = text(o, "font").toUtf8();
    t.imageName = imageName(text(o, "image"));
    t.text = text(o, "text").toUtf8();
    const QJsonValue weight = o.value(QLatin1String("weight"));
    if (weight.isDouble()) {
        t.weight = weight.toInt();
        t.weightDigits = QString::number(weight.toInt());
    } else if (weight.isString()) {
        t.weightDigits = weight.toString();
    } else {
        unreadable(QStringLiteral("\"weight\" is missing"));
    }
    return t;
}

} // namespace

StripPlan stripPlanFromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        unreadable(error.errorString());
    if (!doc.isObject())
        unreadable(QStringLiteral("it is no object"));
    const QJsonObject root = doc.object();
    StripPlan plan;
    plan.portName = text(root, "port");
    plan.portNumber = number(root, "portNumber");
    plan.darkness = number(root, "darkness");
    const QJsonArray records = root.value(QLatin1String("records")).toArray();
    const QJsonArray labels = root.value(QLatin1String("labels")).toArray();
    if (records.size() != qsizetype(plan.row.labels.size()) ||
        labels.size() != qsizetype(plan.labels.size()))
        unreadable(QStringLiteral("it does not hold three labels"));
    for (size_t c = 0; c < plan.labels.size(); ++c) {
        const QJsonObject record = records[qsizetype(c)].toObject();
        plan.row.labels[c].id = record.value(QLatin1String("id")).toInteger();
        plan.row.labels[c].text = record.value(QLatin1String("text")).toString();
        const QJsonObject label = labels[qsizetype(c)].toObject();
        plan.labels[c].text = textFrom(label.value(QLatin1String("text")).toObject());
        if (label.contains(QLatin1String("barcode")))
            plan.labels[c].barcode = barcodeFrom(label.value(QLatin1String("barcode")).toObject());
    }
    return plan;
}
