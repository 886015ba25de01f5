#include "core/DataModule.h"

#include "core/AppError.h"
#include "core/Prompts.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

TDMdata* DMdata = nullptr;

QString sqlErrorText(const QSqlError& e) {
    const QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("Unknown database error") : text;
}

QSqlQuery forwardOnlyQuery(const QSqlDatabase& db) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    return q;
}

void ExecQuery::execSql() {
    const QString statement = text();
    if (onExecute)
        onExecute(statement);
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.isOpen())
        throw AppError(QStringLiteral("Connection is not open"));
    QSqlQuery q = forwardOnlyQuery(db);
    if (!q.prepare(statement))
        throw AppError(sqlErrorText(q.lastError()));
    for (const QVariant& v : bindings_)
        q.addBindValue(v);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
}

void ExecQuery::run(const QStringList& lines, const QVariantList& bindings) {
    close();
    clear();
    for (const QString& line : lines)
        add(line);
    for (const QVariant& v : bindings)
        bind(v);
    execSql();
}

TDMdata::TDMdata(const QString& driverType) {
    static std::atomic<int> counter{0};
    const int n = counter++;
    name_ = n == 0 ? QStringLiteral("conADO") : QStringLiteral("conADO%1").arg(n);
    QSqlDatabase::addDatabase(driverType, name_);
    exec_ = std::make_unique<ExecQuery>(name_);
}

TDMdata::~TDMdata() {
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    if (DMdata == this)
        DMdata = nullptr;
}

void TDMdata::reopen() {
    QSqlDatabase db = conADO();
    db.close();
    if (onOpening)
        onOpening(db);
    const bool opened = db.open();
    if (onOpenEnded)
        onOpenEnded(db, opened);
    if (!opened)
        throw AppError(sqlErrorText(db.lastError()));
    if (onOpened) {
        try {
            onOpened(db);
        } catch (...) {
            db.close();
            throw;
        }
    }
}

QString connectionFailureText(const QString& driverMessage) {
    return QStringLiteral("Can not connect to database. Please check your ODBC Setting of  \r\n"
                          "If you using a network database, please check network connection "
                          "ready or not.\r\n"
                          "Error message:\r\n") +
           driverMessage;
}

bool CheckDatabaseConnection(TDMdata& dm, Prompts& prompts) {
    if (QCoreApplication::closingDown())
        return false;
    try {
        dm.reopen();
        return true;
    } catch (const AppError& e) {
        prompts.message(connectionFailureText(e.text()));
    } catch (const std::exception& e) {
        prompts.message(connectionFailureText(QString::fromLocal8Bit(e.what())));
    }
    // End the event loop as soon as it starts, without closing any window, so
    // the exit question is never asked and the settings are never written.
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    return false;
}
