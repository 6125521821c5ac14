// The window's own channel database settings against the test server: the
// dialog, where the password goes, what wins, the test button, and each
// way a connection fails as the window shows it.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <regex>
#include <tuple>

#include "config/lang.h"
#include "download/session.h"
#include "tests/support/loopbackPort.h"
#include "tests/ui/uiFixture.h"
#include "ui/dbDialog.h"
#include "ui/ids.h"
#include "ui/start.h"
#include "ui/widget.h"

namespace {

const char* const kVars[] = {"VELARTIS_DB_HOST",     "VELARTIS_DB_PORT", "VELARTIS_DB_USER",
                             "VELARTIS_DB_PASSWORD", "VELARTIS_DB_NAME", "VELARTIS_DB_SOCKET"};

}  // namespace

class DbSettingsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char* v : kVars) ::unsetenv(v);
        userSettings().clear();
        copyShipped();
    }
    void TearDown() override {
        for (const char* v : kVars) ::unsetenv(v);
        userSettings().clear();
        WindowTest::TearDown();
    }
    // File > Channel database; act fills it in, then OK.
    void dialog(const std::function<void(DbDialog&)>& act) {
        auto seen = std::make_shared<bool>(false);
        QTimer::singleShot(0, wnd.get(), [this, act, seen] {
            auto* d = wnd->findChild<DbDialog*>();
            if (!d) return;
            *seen = true;
            act(*d);
            d->accept();
        });
        command(ids::kDbSettings);
        EXPECT_TRUE(*seen);
    }
    QLineEdit* field(DbDialog& d, const char* name) { return d.findChild<QLineEdit*>(name); }
    void fill(DbDialog& d, const char* port, const char* password, const char* name) {
        type(field(d, "dbServer"), "127.0.0.1");
        type(field(d, "dbPort"), port);
        type(field(d, "dbUser"), "vauser");
        type(field(d, "dbPassword"), password);
        type(field(d, "dbName"), name);
    }
    std::vector<UiCall> prompts() const {
        std::vector<UiCall> out;
        for (const UiCall& c : ui.shown())
            if (c.kind == UiCall::kPassword) out.push_back(c);
        return out;
    }
    // Presses Download and waits for the job's end.
    uint32_t download() {
        const int before = wnd->jobsEnded();
        click(Widget.hDownload);
        EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->jobsEnded() == before + 1; }, 60000));
        return wnd->lastJobEnd().code;
    }
    const std::string port_ = std::to_string(VA_TEST_DB_PORT);
};

TEST_F(DbSettingsTest, TheDialogsValuesComeBackAtTheNextStartWithThePasswordInTheStoreOnly) {
    ASSERT_TRUE(start());
    dialog([&](DbDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Channel database");
        EXPECT_EQ(field(d, "dbPassword")->echoMode(), QLineEdit::Password);
        EXPECT_EQ(d.findChild<QLabel*>("dbStoreNote"), nullptr);
        fill(d, port_.c_str(), "vapass1", "velartis_sample");
        d.findChild<QComboBox*>("dbCompress")->setCurrentIndex(1);
    });
    EXPECT_EQ(secrets.secrets["channel-database"], "vapass1");
    QSettings s = userSettings();
    s.sync();
    QFile file(s.fileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("127.0.0.1")) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains("vapass1")) << bytes.toStdString();

    wnd.reset();
    ASSERT_TRUE(start());
    EXPECT_TRUE(prompts().empty());
    const T_dbConnOverride& c = wnd->connection();
    EXPECT_EQ(std::tie(c.host, c.port, c.user, c.password, c.name),
              std::make_tuple("127.0.0.1", unsigned(VA_TEST_DB_PORT), "vauser", "vapass1",
                              "velartis_sample"));
    EXPECT_EQ(c.compress, DbCompress::kOn);
    // Saved settings take the option files' place.
    EXPECT_TRUE(c.optionGroup.empty());
    tab(3);
    EXPECT_EQ(download(), 0u);

    // An emptied password leaves the store.
    dialog([&](DbDialog& d) {
        EXPECT_EQ(field(d, "dbServer")->text(), "127.0.0.1");
        field(d, "dbPassword")->clear();
    });
    EXPECT_EQ(secrets.secrets.count("channel-database"), 0u);
    EXPECT_TRUE(wnd->connection().passwordSet && wnd->connection().password.empty());
}

TEST_F(DbSettingsTest, AVariableWinsOverTheSavedSettingsAndItsFieldIsReadOnly) {
    saveDbSettings({"db.invalid", 1234, "saved", "velartis_sample", DbCompress::kOff, false});
    ::setenv("VELARTIS_DB_HOST", "127.0.0.1", 1);
    ::setenv("VELARTIS_DB_PORT", port_.c_str(), 1);
    T_dbConnOverride env;
    std::string error;
    ASSERT_TRUE(dbConnFromEnv(&env, &error));
    ASSERT_TRUE(start(env));
    EXPECT_EQ(wnd->connection().host, "127.0.0.1");
    EXPECT_EQ(wnd->connection().port, unsigned(VA_TEST_DB_PORT));
    EXPECT_EQ(wnd->connection().user, "saved");
    dialog([&](DbDialog& d) {
        EXPECT_TRUE(field(d, "dbServer")->isReadOnly());
        EXPECT_EQ(field(d, "dbServer")->text(), "127.0.0.1");
        auto* note = d.findChild<QLabel*>("dbServerNote");
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->text().contains("VELARTIS_DB_HOST"));
        EXPECT_FALSE(field(d, "dbUser")->isReadOnly());
        EXPECT_EQ(d.findChild<QLabel*>("dbUserNote"), nullptr);
        type(field(d, "dbUser"), "vauser");
    });
    // The saved server stays what the user gave; the variable still wins.
    T_dbSettings saved;
    ASSERT_TRUE(loadDbSettings(&saved));
    EXPECT_EQ(saved.server, "db.invalid");
    EXPECT_EQ(saved.user, "vauser");
    EXPECT_EQ(wnd->connection().host, "127.0.0.1");

    // With nothing saved the option files are read.
    userSettings().clear();
    wnd.reset();
    ASSERT_TRUE(start(env));
    EXPECT_EQ(wnd->connection().optionGroup, "velartis");
    EXPECT_TRUE(wnd->connection().user.empty());
}

TEST_F(DbSettingsTest, WithoutASecretStoreTheDialogSaysSoAndEachStartAsksOnce) {
    secrets.up = false;
    ASSERT_TRUE(start());
    EXPECT_TRUE(prompts().empty());
    dialog([&](DbDialog& d) {
        auto* note = d.findChild<QLabel*>("dbStoreNote");
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->text().toStdString(), MsgLang.msgDbNoStore);
        fill(d, port_.c_str(), "vapass1", "velartis_sample");
    });
    EXPECT_EQ(wnd->connection().password, "vapass1");
    EXPECT_TRUE(secrets.secrets.empty());

    wnd.reset();
    ui.answerPassword(std::string("typed"));
    ASSERT_TRUE(start());
    const auto asked = prompts();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].text.find(MsgLang.msgDbNoStore), std::string::npos) << asked[0].text;
    EXPECT_NE(asked[0].text.find("vauser"), std::string::npos) << asked[0].text;
    EXPECT_EQ(wnd->connection().password, "typed");

    // The desktop's store without a session bus: unavailable, not "no password".
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    auto desktop = makeDesktopSecretStore();
    std::string why, secret;
    EXPECT_EQ(desktop->read(kDbPasswordKey, &secret, &why), SecretStore::Result::kUnavailable);
    EXPECT_FALSE(desktop->available(&why));
    EXPECT_FALSE(why.empty());
    if (bus.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

TEST_F(DbSettingsTest, TestConnectionSaysWhatItFoundAsTyped) {
    ASSERT_TRUE(start());
    int fd = -1;
    const std::string freePort = std::to_string(loopbackPort(false, &fd));
    const struct {
        const char *port, *password, *name;
        std::string expect;
    } cases[] = {
        {port_.c_str(), "vapass1", "velartis_sample", "Satellites in the database: [1-9]"},
        {port_.c_str(), "wrong", "velartis_sample", MsgLang.msgHintAccess},
        {port_.c_str(), "vapass1", "velartis_none", MsgLang.msgHintDatabase},
        {freePort.c_str(), "vapass1", "velartis_sample", "Is the server running"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        DbDialog d(wnd.get(), MsgLang, {}, {}, "", true);
        fill(d, c.port, c.password, c.name);
        click(d.findChild<QPushButton*>("dbTest"));
        EXPECT_TRUE(d.testing());
        EXPECT_FALSE(d.findChild<QPushButton*>("dbTest")->isEnabled());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.testing(); }, 30000));
        EXPECT_TRUE(std::regex_search(d.testResult().toStdString(), std::regex(c.expect)))
            << d.testResult().toStdString();
    }
    // The texts are the language's when the dialog opens.
    DbDialog it(wnd.get(), *langTable(kLangItalian), {}, {}, "", true);
    fill(it, port_.c_str(), "vapass1", "velartis_sample");
    it.testConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !it.testing(); }, 30000));
    EXPECT_TRUE(it.testResult().startsWith("Connesso")) << it.testResult().toStdString();
}

TEST_F(DbSettingsTest, EachConnectFailureShowsItsBoxAndLeavesTheWindowUsable) {
    int fd = -1;
    const unsigned freePort = unsigned(loopbackPort(false, &fd));
    const T_dbConnOverride server = testServer();
    ASSERT_TRUE(start(server));
    tab(3);
    const struct {
        unsigned port;
        const char *password, *name;
        std::string expect;
    } cases[] = {
        {freePort, "", "velartis_sample", MsgLang.msgHintServer},
        {VA_TEST_DB_PORT, "wrong", "velartis_sample", MsgLang.msgHintAccess},
        {VA_TEST_DB_PORT, "", "velartis_none", MsgLang.msgHintDatabase},
        // A server that takes the connection and never speaks.
        {0, "", "velartis_sample", MsgLang.msgHintServer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        T_dbConnOverride o = server;
        int silent = -1;
        o.port = c.port ? c.port : unsigned(loopbackPort(true, &silent));
        o.password = c.password;
        o.name = c.name;
        wnd->setConnection(o);
        ui.clearShown();
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(download(), 1u);
        if (silent >= 0) close(silent);
        EXPECT_LT(std::chrono::steady_clock::now() - t0,
                  std::chrono::seconds(3 * kDbConnectTimeout));
        const auto shown = ui.shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].kind, UiCall::kBox);
        EXPECT_EQ(shown[0].text.rfind(kConnectError, 0), 0u) << shown[0].text;
        EXPECT_NE(shown[0].text.find(c.expect), std::string::npos) << shown[0].text;
        EXPECT_TRUE(widget(Widget.hDownload)->isEnabled());
        EXPECT_TRUE(widget(Widget.hSatBtn[1])->isEnabled());
    }
}
