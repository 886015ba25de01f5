#include "db/EmbeddedDatabase.h"

#include "core/AppError.h"
#include "core/DataModule.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

void exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q = forwardOnlyQuery(db);
    if (!q.exec(sql))
        throw AppError(sqlErrorText(q.lastError()));
}

bool tableExists(QSqlDatabase& db, const QString& name) {
    QSqlQuery q = forwardOnlyQuery(db);
    q.prepare(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"));
    q.addBindValue(name);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
    return q.next();
}

// Plain tables that other programs can fill: the column names and text widths
// the plant's server has, dates as local-time text "YYYY-MM-DD HH:MM:SS".
const char* const kPrintLabel = R"(CREATE TABLE PrintLabel (
    Iden_id    INTEGER PRIMARY KEY,
    CreateTime DATETIME DEFAULT (datetime('now','localtime')),
    LabelSize  VARCHAR(20),
    TitleText  VARCHAR(20),
    LabelText  VARCHAR(50),
    Barcode    VARCHAR(50),
    PrintFlag  SMALLINT,
    PrintTime  DATETIME
))";

// The label query asks for one size, unprinted (or printed) records from a
// date on, ordered by label text. The index finds those records directly;
// the few thousand of a day are then sorted. (An index on the label text
// would tempt the planner to walk the whole table in text order.)
const char* const kPrintLabelIndexes[] = {
    "CREATE INDEX PrintLabel_ToPrint ON PrintLabel "
    "(LabelSize, ifnull(PrintFlag,0), CreateTime)",
};

const char* const kOrder = R"(CREATE TABLE DeviceICRelOrder (
    Iden_id    INTEGER PRIMARY KEY,
    Datime     DATETIME,
    ICType     VARCHAR(20),
    TypeDesc   VARCHAR(100),
    ICVer      VARCHAR(20),
    VerDesc    VARCHAR(100),
    Amount     INTEGER,
    Remark     VARCHAR(100),
    FullSNFrom VARCHAR(20),
    FullSNTo   VARCHAR(20),
    HeadFlag   VARCHAR(2),
    Flag       VARCHAR(1)
))";

const char* const kICType = R"(CREATE TABLE DeviceICType (
    ICType    VARCHAR(20) PRIMARY KEY,
    TypeDesc  VARCHAR(100),
    LastVer   VARCHAR(20),
    ICModel   VARCHAR(20),
    HeadFlag  VARCHAR(3),
    LabelSize VARCHAR(20),
    LastSN    INTEGER NOT NULL DEFAULT 0,
    IsActive  VARCHAR(1) NOT NULL DEFAULT '1'
))";

// The stations' claims of label records (db/RecordClaims.h).
const char* const kClaim = R"(CREATE TABLE VornellClaim (
    Iden_id INTEGER PRIMARY KEY,
    Station VARCHAR(200) NOT NULL,
    State   VARCHAR(10) NOT NULL,
    Since   DATETIME NOT NULL,
    Strip   VARCHAR(40) NOT NULL,
    Reason  VARCHAR(400)
))";

} // namespace

void prepareEmbeddedDatabase(QSqlDatabase& db) {
    registerSqlFunctions(db);
    exec(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(db, QStringLiteral("PRAGMA foreign_keys=ON"));

    if (!db.transaction())
        throw AppError(sqlErrorText(db.lastError()));
    try {
        if (!tableExists(db, QStringLiteral("PrintLabel"))) {
            exec(db, QString::fromLatin1(kPrintLabel));
            for (const char* sql : kPrintLabelIndexes)
                exec(db, QString::fromLatin1(sql));
        }
        if (!tableExists(db, QStringLiteral("DeviceICRelOrder")))
            exec(db, QString::fromLatin1(kOrder));
        if (!tableExists(db, QStringLiteral("DeviceICType")))
            exec(db, QString::fromLatin1(kICType));
        if (!tableExists(db, QStringLiteral("VornellClaim")))
            exec(db, QString::fromLatin1(kClaim));
        if (!db.commit())
            throw AppError(sqlErrorText(db.lastError()));
    } catch (...) {
        db.rollback();
        throw;
    }
}
