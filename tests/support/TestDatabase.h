#pragma once

#include "core/DataModule.h"
#include "db/DbLocation.h"

#include <QSqlError>
#include <QSqlQuery>
#include <memory>

// An embedded database at path, opened as the program opens it.
inline std::unique_ptr<TDMdata> openEmbedded(const QString& path) {
    DbLocation loc;
    loc.path = path;
    auto dm = createDataModule(loc);
    dm->reopen();
    return dm;
}

// Adds one PrintLabel row and gives back its Iden_id.
inline qint64 addLabel(const QSqlDatabase& db, const QString& createTime, const QString& text,
                       const QVariant& printFlag = QVariant(), const QString& size = "30X10") {
    QSqlQuery q(db);
    q.prepare("INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, Barcode, "
              "PrintFlag) VALUES (?, ?, 'T', ?, ?, ?)");
    q.addBindValue(createTime);
    q.addBindValue(size);
    q.addBindValue(text);
    q.addBindValue(text);
    q.addBindValue(printFlag);
    if (!q.exec())
        qFatal("addLabel: %s", qPrintable(q.lastError().text()));
    return q.lastInsertId().toLongLong();
}

// One DeviceICType row; a null headFlag is stored as NULL.
struct ChipType {
    QString icType;
    QString typeDesc;
    QString lastVer;
    QString icModel;
    QString headFlag;
    QString labelSize = QStringLiteral("30X10");
    qint64 lastSN = 0;
    QString isActive = QStringLiteral("1");
};

inline void addChipType(const QSqlDatabase& db, const ChipType& t) {
    QSqlQuery q(db);
    q.prepare("INSERT INTO DeviceICType (ICType, TypeDesc, LastVer, ICModel, HeadFlag, LabelSize, "
              "LastSN, IsActive) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QVariant& v :
         {QVariant(t.icType), QVariant(t.typeDesc), QVariant(t.lastVer), QVariant(t.icModel),
          t.headFlag.isNull() ? QVariant() : QVariant(t.headFlag), QVariant(t.labelSize),
          QVariant(t.lastSN), QVariant(t.isActive)})
        q.addBindValue(v);
    if (!q.exec())
        qFatal("addChipType: %s", qPrintable(q.lastError().text()));
}

// The chip types the order tests work with: VN3010A, VN3010B (serials given
// up to 0x1000) and VN3010C (no model), active and of label size 30X10, with
// the head flags VA, VB and VC; VN3010D, retired; VN5020A, of size 50X20.
inline void addTestChipTypes(const QSqlDatabase& db) {
    addChipType(db, {"VN3010A", "Power management IC 30X10", "V1.0", "QFN-16", "VA"});
    addChipType(db, {"VN3010B", "Motor driver IC 30X10", "V2.1", "SOP-8", "VB", "30X10", 4096});
    addChipType(db, {"VN3010C", "Sensor interface IC 30X10", "V1.3", "", "VC"});
    addChipType(db, {"VN3010D", "Retired type 30X10", "V0.9", "DIP-8", "VD", "30X10", 0, "0"});
    addChipType(db, {"VN5020A", "Controller IC 50X20", "V1.0", "LQFP-48", "WA", "50X20"});
}

inline QVariant scalar(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        qFatal("scalar: %s", qPrintable(q.lastError().text()));
    return q.value(0);
}
