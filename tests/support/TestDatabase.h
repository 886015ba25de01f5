#pragma once

#include "app/DataModule.h"
#include "db/DbLocation.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
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

inline QVariant scalar(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        qFatal("scalar: %s", qPrintable(q.lastError().text()));
    return q.value(0);
}
