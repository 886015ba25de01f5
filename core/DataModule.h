#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class Prompts;
class QSqlError;

// The database layer's own text of an error (never empty).
QString sqlErrorText(const QSqlError& error);

// A query on db that reads its rows once, front to back. Every statement the
// station sends runs on one: a scrollable query makes the ODBC driver open a
// server cursor for the statement (sp_cursoropen), which costs SQL Server a
// round trip per row, and which some servers refuse for anything but a plain
// SELECT.
QSqlQuery forwardOnlyQuery(const QSqlDatabase& db);

// qryEXEC: the shared runner for statements that return no rows. Its users
// always close it, clear its statement, set the new text and execute.
class ExecQuery {
public:
    explicit ExecQuery(QString connectionName) : connection_(std::move(connectionName)) {}

    void close() {}
    void clear() {
        lines_.clear();
        bindings_.clear();
    }
    void add(const QString& line) { lines_ << line; }
    // A value bound to the next positional placeholder ("?") of the statement.
    void bind(const QVariant& value) { bindings_ << value; }
    // The statement: its lines joined by CR LF.
    QString text() const { return lines_.join(QStringLiteral("\r\n")); }
    // Executes the statement; a failure raises AppError with the driver's text.
    void execSql();
    // close, clear, add every line, execute.
    void run(const QStringList& lines, const QVariantList& bindings = {});

    // Called with every statement text before it is executed (tests, tracing).
    std::function<void(const QString&)> onExecute;

private:
    QString connection_;
    QStringList lines_;
    QVariantList bindings_;
};

// DMdata: the one database connection conADO and the shared command query
// qryEXEC. The connection is closed until CheckDatabaseConnection opens it.
class TDMdata {
public:
    // driverType is a Qt SQL driver name ("QSQLITE", "QODBC"); the connection
    // gets a name of its own so several data modules may live in one process.
    explicit TDMdata(const QString& driverType);
    ~TDMdata();
    TDMdata(const TDMdata&) = delete;
    TDMdata& operator=(const TDMdata&) = delete;

    QSqlDatabase conADO() const { return QSqlDatabase::database(name_, false); }
    const QString& connectionName() const { return name_; }
    ExecQuery& qryEXEC() { return *exec_; }

    // Runs right before every open (a server login puts its password into the
    // connection here); an AppError from it counts as a failed open.
    std::function<void(QSqlDatabase&)> onOpening;
    // Runs right after every open, whether it worked or not (the login takes
    // its password out of the connection again); after a failed open, an
    // AppError from it is the reason shown instead of the driver's text.
    std::function<void(QSqlDatabase&, bool opened)> onOpenEnded;
    // Runs after every successful open (the embedded database prepares its
    // schema and functions here); an AppError from it counts as a failed open.
    std::function<void(QSqlDatabase&)> onOpened;

    // Closes the connection, then opens it; raises AppError with the driver's
    // message when it cannot.
    void reopen();

private:
    QString name_;
    std::unique_ptr<ExecQuery> exec_;
};

// The single data module of the run.
extern TDMdata* DMdata;

// The text shown when the database cannot be reached.
QString connectionFailureText(const QString& driverMessage);

// Opens DMdata's connection or tells the operator why it cannot and asks the
// application to end. Returns whether the connection is open.
bool CheckDatabaseConnection(TDMdata& dm, Prompts& prompts);
