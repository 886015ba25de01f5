#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/ServerLogin.h"
#include "tests/support/ScriptedPrompts.h"

#include <QDir>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TestDbLocation : public QObject {
    Q_OBJECT
    static QProcessEnvironment env(const QString& db) {
        QProcessEnvironment e;
        if (!db.isNull())
            e.insert("VORNELL_DB", db);
        return e;
    }

private slots:
    void resolves_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("port");
        QTest::newRow("unset") << QString() << false << "vornell.db" << 0;
        QTest::newRow("sqlite") << "sqlite:/tmp/x.db" << false << "/tmp/x.db" << 0;
        QTest::newRow("mssql") << "mssql:plant-db" << true << "plant-db" << 1433;
        QTest::newRow("mssql port") << "mssql:10.0.0.5,1500" << true << "10.0.0.5" << 1500;
    }
    void resolves() {
        QFETCH(QString, value);
        QFETCH(bool, server);
        QFETCH(QString, where);
        QFETCH(int, port);
        const DbLocation loc = resolveDbLocation(env(value));
        QCOMPARE(loc.kind == DbLocation::Kind::SqlServer, server);
        if (server) {
            QCOMPARE(loc.host, where);
            QCOMPARE(loc.port, port);
        } else {
            QVERIFY2(loc.path.endsWith(where), qPrintable(loc.path));
        }
    }

    void malformed_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << "";
        QTest::newRow("unknown scheme") << "postgres:host";
        QTest::newRow("no path") << "sqlite:";
        QTest::newRow("no host") << "mssql:";
        QTest::newRow("bad port") << "mssql:host,abc";
        QTest::newRow("port out of range") << "mssql:host,70000";
        QTest::newRow("extra part") << "mssql:host,1,2";
    }
    void malformed() {
        QFETCH(QString, value);
        try {
            resolveDbLocation(env(value));
            QFAIL("accepted a malformed VORNELL_DB");
        } catch (const AppError& e) {
            QVERIFY(e.text().contains("sqlite:PATH"));
            QVERIFY(e.text().contains("mssql:HOST,PORT"));
        }
    }

    void connectionStringPairsInOrder() {
        QCOMPARE(connectionString("plant-db", "sa", "pw"),
                 QString("Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;"
                         "Initial Catalog=TovikCust;Data Source=plant-db"));
        DbLocation loc;
        loc.kind = DbLocation::Kind::SqlServer;
        loc.host = "plant-db";
        loc.port = 1500;
        QCOMPARE(odbcConnectionString(loc, "op", "a;b}"),
                 QString("DRIVER={FreeTDS};PWD={a;b}};UID=op;DATABASE=TovikCust;SERVER=plant-db;"
                         "PORT=1500;TDS_Version=7.3;ClientCharset=UTF-8;Encryption=request"));
    }

    // Only the default database is made on first use. A file named in
    // VORNELL_DB must exist: a missing one is a failed connection naming it,
    // and no file is left behind. vornell-demo-db names its file by hand and
    // makes it when it is missing.
    void missingDatabaseFile_data() {
        QTest::addColumn<QString>("value"); // VORNELL_DB; null: unset
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("madeBefore");
        QTest::addColumn<bool>("opens");
        QTest::newRow("default, missing") << QString() << "vornell.db" << false << true;
        QTest::newRow("named, missing") << "sqlite:named.db"
                                        << "named.db" << false << false;
        QTest::newRow("named, made by the demo tool") << "sqlite:named.db"
                                                      << "named.db" << true << true;
        QTest::newRow("named, missing folder") << "sqlite:nowhere/named.db"
                                               << "nowhere/named.db" << false << false;
        QTest::newRow("named with blank and percent, missing") << "sqlite:a b%20c.db"
                                                               << "a b%20c.db" << false << false;
        QTest::newRow("named with blank and percent, made") << "sqlite:a b%20c.db"
                                                            << "a b%20c.db" << true << true;
    }
    void missingDatabaseFile() {
        QFETCH(QString, value);
        QFETCH(QString, file);
        QFETCH(bool, madeBefore);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QString path = dir.filePath(file);
        if (madeBefore) {
            DbLocation byHand;
            byHand.path = path;
            createDataModule(byHand)->reopen();
            QVERIFY(QFile::exists(path));
        }
        auto dm = createDataModule(resolveDbLocation(env(value)));
        ScriptedPrompts prompts;
        const bool opened = CheckDatabaseConnection(*dm, prompts);
        QDir::setCurrent(before);
        QCOMPARE(opened, opens);
        QCOMPARE(QFile::exists(path), opens);
        if (opens) {
            QVERIFY(prompts.shown.empty());
            QSqlQuery q(dm->conADO());
            QVERIFY(q.exec("SELECT count(*) FROM DeviceICType"));
            return;
        }
        QCOMPARE(prompts.texts("message").size(), 1);
        const QStringList lines = prompts.texts("message")[0].split("\r\n");
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0],
                 QString("Can not connect to database. Please check your ODBC Setting of  "));
        QCOMPARE(lines[2], QString("Error message:"));
        QVERIFY2(lines[3].contains(path), qPrintable(lines[3]));
        QVERIFY(!dm->conADO().isOpen());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // A real FreeTDS connection to a local port nobody listens on.
    void unreachableServerGivesTheConnectionMessage() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();

        QTemporaryDir dir;
        const QString pwFile = dir.filePath("pw");
        QFile f(pwFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("s3cret-Pass\n");
        f.close();
        QProcessEnvironment e = env(QString("mssql:127.0.0.1,%1").arg(port));
        e.insert("VORNELL_DB_PASSWORD_FILE", pwFile);
        auto dm = createDataModule(resolveDbLocation(e));
        ScriptedPrompts prompts;
        QVERIFY(!CheckDatabaseConnection(*dm, prompts));
        const QStringList shown = prompts.texts("message");
        QCOMPARE(shown.size(), 1);
        const QStringList lines = shown[0].split("\r\n");
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0],
                 QString("Can not connect to database. Please check your ODBC Setting of  "));
        QCOMPARE(lines[2], QString("Error message:"));
        QVERIFY(!lines[3].isEmpty());
        QVERIFY2(!shown[0].contains("s3cret-Pass"), "the password must never be shown");
        QVERIFY(!shown[0].contains("51937406"));
    }
};

QTEST_GUILESS_MAIN(TestDbLocation)
#include "tst_dblocation.moc"
