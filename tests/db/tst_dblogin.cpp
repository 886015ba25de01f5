#include "FakeTdsServer.h"
#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/ServerLogin.h"
#include "tests/support/ScriptedPrompts.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/prctl.h>

// The server login through unixODBC + FreeTDS, captured by a local server that
// speaks just enough TDS: what reaches the server, when it is refused, and
// what the process keeps of the password.
class TestDbLogin : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QProcessEnvironment serverEnv(int port, const QString& user, const QString& password,
                                  const QString& encrypt = QString()) {
        QProcessEnvironment e;
        e.insert("VORNELL_DB", QString("mssql:127.0.0.1,%1").arg(port));
        if (!user.isNull())
            e.insert("VORNELL_DB_USER", user);
        if (!password.isNull()) {
            const QString file = dir_.filePath("pw");
            QFile f(file);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write(password.toUtf8() + "\n");
            e.insert("VORNELL_DB_PASSWORD_FILE", file);
        }
        if (!encrypt.isNull())
            e.insert("VORNELL_DB_ENCRYPT", encrypt);
        return e;
    }

    // Opens the connection the way the program does; returns the message shown.
    static QString connect(const QProcessEnvironment& env, QString* held = nullptr) {
        auto dm = createDataModule(resolveDbLocation(env));
        ScriptedPrompts prompts;
        const bool opened = CheckDatabaseConnection(*dm, prompts);
        if (held)
            *held = dm->conADO().databaseName();
        const QStringList shown = prompts.texts("message");
        return opened ? QString() : shown.value(0, "<no message>");
    }

private slots:
    // An embedded database holds no password: the process stays dumpable.
    void embeddedStaysDumpable() {
        QProcessEnvironment e;
        e.insert("VORNELL_DB", "sqlite:" + dir_.filePath("x.db"));
        connect(e);
        QCOMPARE(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
    }

    // Once a server login is configured the process cannot leave a core dump
    // (nor be traced by the user's other processes), and the connection keeps
    // no password once it was tried.
    void serverLoginIsNotDumpable() {
        FakeTdsServer server(FakeTdsServer::EncryptNotSupported);
        QString held;
        connect(serverEnv(server.port(), "op", "Pw-in-memory"), &held);
        QCOMPARE(server.capture().password, QString("Pw-in-memory"));
        QCOMPARE(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
        QVERIFY2(!held.contains("Pw-in-memory"), qPrintable(held));
        QVERIFY(!held.contains("PWD="));
        QVERIFY(held.contains("UID=op;"));
    }

    void loginReachesServerAsIs_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("closing brace") << "op"
                                       << "ab}cd";
        QTest::newRow("closing brace last") << "op"
                                            << "abcd}";
        QTest::newRow("two closing braces") << "op"
                                            << "a}}b";
        QTest::newRow("opening brace first") << "op"
                                             << "{abc";
        QTest::newRow("braced") << "op"
                                << "{abc}";
        QTest::newRow("semicolon") << "op"
                                   << "ab;cd";
        QTest::newRow("semicolon and brace") << "op"
                                             << "a;b}c}";
        QTest::newRow("equals") << "op"
                                << "a=b==";
        QTest::newRow("quotes") << "op"
                                << "a\"b'c\"";
        QTest::newRow("blanks around") << "op"
                                       << " pass word ";
        QTest::newRow("pair inside") << "op"
                                     << "x;DSN=other;UID=sa";
        QTest::newRow("latin") << "op"
                               << "pässwörd€";
        QTest::newRow("chinese") << "op"
                                 << "密码123";
        QTest::newRow("user with brace") << "o}p"
                                         << "pw";
        QTest::newRow("user with semicolon") << "o;p"
                                             << "pw";
        QTest::newRow("user with blanks") << " o p "
                                          << "pw";
        QTest::newRow("user opening brace") << "{op"
                                            << "pw";
        QTest::newRow("user non-ASCII") << "操作员"
                                        << "pw";
        QTest::newRow("all printable ASCII but };")
            << "op"
            << " !\"#$%&'()*+,-./0123456789:;<=>?@AZ[\\]^_`az{|~}";
    }
    void loginReachesServerAsIs() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        FakeTdsServer server(FakeTdsServer::EncryptNotSupported);
        const QString shown = connect(serverEnv(server.port(), user, password));
        const FakeTdsServer::Capture c = server.capture();
        QCOMPARE(c.logins, 1);
        QCOMPARE(c.user, user);
        QCOMPARE(c.password, password);
        QVERIFY(!shown.isEmpty()); // the fake server ends every login
        QVERIFY2(!shown.contains(password), "the password must never be shown");
    }

    // A password FreeTDS's connection string cannot carry is refused before
    // anything is sent, naming what is wrong.
    void uncarriablePasswordRefused() {
        FakeTdsServer server(FakeTdsServer::EncryptNotSupported);
        const QString shown = connect(serverEnv(server.port(), "op", "a};b"));
        QVERIFY2(shown.contains("The password holds \"};\""), qPrintable(shown));
        QVERIFY(!shown.contains("a};b"));
        QCOMPARE(server.capture().connections, 0);
    }

    // What each setting asks of the server (the ENCRYPTION byte of the
    // client's PRELOGIN: 0 off/login only, 1 on, 2 not supported) and whether
    // the login crosses the wire to a server that does not encrypt.
    void encryptionSetting_data() {
        QTest::addColumn<QString>("setting"); // null: unset
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("logins");
        QTest::newRow("unset") << QString() << 0 << 1;
        QTest::newRow("request") << "request" << 0 << 1;
        QTest::newRow("off") << "off" << 2 << 1;
        QTest::newRow("require") << "require" << 1 << 0;
    }
    void encryptionSetting() {
        QFETCH(QString, setting);
        QFETCH(int, asked);
        QFETCH(int, logins);
        FakeTdsServer server(FakeTdsServer::EncryptNotSupported);
        const QString shown = connect(serverEnv(server.port(), "op", "Secret-1", setting));
        const FakeTdsServer::Capture c = server.capture();
        QVERIFY(c.prelogins >= 1);
        QCOMPARE(c.clientEncryption.at(0), char(asked));
        QCOMPARE(c.logins, logins);
        if (logins == 0) {
            QVERIFY2(shown.contains("VORNELL_DB_ENCRYPT=require"), qPrintable(shown));
            QVERIFY2(shown.contains(QString("The server 127.0.0.1,%1 does not encrypt connections")
                                        .arg(server.port())),
                     qPrintable(shown));
            QVERIFY2(shown.contains("the login was not sent"), qPrintable(shown));
        }
    }

    void invalidEncryptionSetting_data() {
        QTest::addColumn<QString>("value");
        for (const char* v : {"", "yes", "REQUIRE", "required", " off"})
            QTest::newRow(v) << QString(v);
    }
    void invalidEncryptionSetting() {
        QFETCH(QString, value);
        QProcessEnvironment e;
        e.insert("VORNELL_DB_ENCRYPT", value);
        try {
            resolveDbLocation(e);
            QFAIL("accepted an invalid VORNELL_DB_ENCRYPT");
        } catch (const AppError& err) {
            QCOMPARE(err.text(), QString("VORNELL_DB_ENCRYPT '%1' is not understood. Accepted "
                                         "values: require, request (the default), off")
                                     .arg(value));
        }
    }
};

QTEST_GUILESS_MAIN(TestDbLogin)
#include "tst_dblogin.moc"
