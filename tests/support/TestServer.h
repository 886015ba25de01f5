#pragma once

#include "core/DataModule.h"
#include "db/DbLocation.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <memory>

// The SQL Server-compatible test server that scripts/test-server starts
// (VORNELL_TEST_MSSQL_PORT, VORNELL_TEST_MSSQL_PASSWORD_FILE). Without them
// the server tests skip; with them a server that cannot be reached fails.
struct TestServer {
    // The tests' own statements, forward-only (the server has no cursors).
    static QSqlQuery query(const QSqlDatabase& db) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        return q;
    }

    int port = 0;
    QString passwordFile;

    static TestServer fromEnvironment() {
        TestServer s;
        s.port = qEnvironmentVariableIntValue("VORNELL_TEST_MSSQL_PORT");
        s.passwordFile = qEnvironmentVariable("VORNELL_TEST_MSSQL_PASSWORD_FILE");
        return s;
    }
    bool present() const { return port > 0; }

    // The station's own way to the server.
    DbLocation location() const {
        DbLocation loc;
        loc.kind = DbLocation::Kind::SqlServer;
        loc.host = QStringLiteral("127.0.0.1");
        loc.port = port;
        loc.user = QStringLiteral("sa");
        loc.passwordFile = passwordFile;
        return loc;
    }
    // The same for a vornell process.
    void addTo(QProcessEnvironment& env) const {
        env.insert("VORNELL_DB", QStringLiteral("mssql:127.0.0.1,%1").arg(port));
        env.insert("VORNELL_DB_USER", "sa");
        env.insert("VORNELL_DB_PASSWORD_FILE", passwordFile);
    }
    std::unique_ptr<TDMdata> open() const {
        auto dm = createDataModule(location());
        dm->reopen();
        return dm;
    }

    // TovikCust dropped and made again by the reference script
    // db/mssql/vornell-schema.sql.
    void freshCatalog() const {
        {
            QSqlDatabase master = QSqlDatabase::addDatabase("QODBC", "test-server-master");
            QFile pw(passwordFile);
            if (!pw.open(QIODevice::ReadOnly))
                qFatal("TestServer: cannot read %s", qPrintable(passwordFile));
            master.setDatabaseName(
                QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;UID=sa;PWD=%2;"
                               "DATABASE=master;TDS_Version=7.3;ClientCharset=UTF-8")
                    .arg(port)
                    .arg(QString::fromUtf8(pw.readAll()).trimmed()));
            if (!master.open())
                qFatal("TestServer: %s", qPrintable(master.lastError().text()));
            exec(master, "IF DB_ID('TovikCust') IS NOT NULL DROP DATABASE TovikCust");
            exec(master, "CREATE DATABASE TovikCust");
            master.close();
        }
        QSqlDatabase::removeDatabase("test-server-master");
        auto dm = open();
        runScript(dm->conADO(), referenceScript());
    }

    static QString referenceScript() {
        return qEnvironmentVariable("VORNELL_SOURCE_DIR") + "/db/mssql/vornell-schema.sql";
    }

    // Runs a T-SQL script batch by batch (batches end at a line GO); the
    // first failing batch's number and the server's text, or empty.
    static QString runScriptReport(const QSqlDatabase& db, const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return "cannot read " + path;
        const QStringList batches =
            QString::fromUtf8(f.readAll())
                .split(QRegularExpression("^\\s*GO\\s*$", QRegularExpression::MultilineOption));
        int n = 0;
        for (const QString& batch : batches) {
            ++n;
            if (batch.trimmed().isEmpty())
                continue;
            QSqlQuery q = query(db);
            if (!q.exec(batch))
                return QStringLiteral("batch %1: %2").arg(n).arg(q.lastError().text());
        }
        return {};
    }
    static void runScript(const QSqlDatabase& db, const QString& path) {
        const QString failed = runScriptReport(db, path);
        if (!failed.isEmpty())
            qFatal("%s: %s", qPrintable(path), qPrintable(failed));
    }
    static void exec(const QSqlDatabase& db, const QString& sql,
                     const QVariantList& bindings = {}) {
        QSqlQuery q = query(db);
        if (!q.prepare(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        for (const QVariant& v : bindings)
            q.addBindValue(v);
        if (!q.exec())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    static QVariant scalar(const QSqlDatabase& db, const QString& sql) {
        QSqlQuery q = query(db);
        if (!q.exec(sql) || !q.next())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q.value(0);
    }
};

// Skips the test function when no test server was started for the run.
#define REQUIRE_TEST_SERVER(server)                                                                \
    do {                                                                                           \
        if (!(server).present())                                                                   \
            QSKIP("no SQL Server test server (scripts/test-server start sets "                     \
                  "VORNELL_TEST_MSSQL_PORT)");                                                     \
    } while (0)
