#include "ui/dbDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <thread>
#include <vector>

#include "download/dbLink.h"
#include "ui/qtPlatform.h"

namespace {

struct Probe {
    bool ok = false;
    bool connected = false;
    std::string version, satellites, failure;
};

// What the download's own connection finds with these values.
Probe probe(const T_dbConnOverride& o, const LangStruct& m) {
    Probe p;
    DbLink link;
    if (!link.open(o)) {
        p.failure = link.openFailureText(m);
        return p;
    }
    p.connected = true;
    std::vector<std::vector<std::string>> rows;
    if (link.query("SELECT VERSION()", &rows) && !rows.empty() && !rows[0].empty())
        p.version = rows[0][0];
    if (!link.query("SELECT COUNT(*) FROM Sats", &rows) || rows.empty() || rows[0].empty()) {
        p.failure = link.error();
        return p;
    }
    p.satellites = rows[0][0];
    p.ok = true;
    return p;
}

QString lines(const std::string& cp1252) { return toQt(cp1252).replace("\r\n", "\n"); }

}  // namespace

DbDialog::DbDialog(QWidget* parent, const LangStruct& texts, const T_dbConnOverride& given,
                   const T_dbSettings& saved, const std::string& password, bool storeAvailable)
    : QDialog(parent), texts_(texts), given_(given), saved_(saved) {
    setObjectName("dbDialog");
    setWindowTitle(toQt(texts_.lblDbTitle));
    auto* form = new QFormLayout;
    const QString builtIn = toQt(texts_.lblDbDefault);

    // One edit box per field; a variable's value stands read-only, with a note.
    auto field = [&](const char* name, const char* label, DbField f, const QString& value,
                     const QString& envValue) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setPlaceholderText(builtIn);
        auto* l = new QLabel(toQt(label), this);
        l->setBuddy(e);
        form->addRow(l, e);
        const char* var = dbFieldVariable(given_, f);
        e->setText(var ? envValue : value);
        if (var) {
            e->setReadOnly(true);
            auto* note = new QLabel(toQt(texts_.msgDbEnvSet).arg(var), this);
            note->setObjectName(QString(name) + "Note");
            note->setWordWrap(true);
            form->addRow(QString(), note);
        }
        return e;
    };
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    // A socket's path is the file system's bytes.
    server_ = field(
        "dbServer", texts_.lblDbServer, DbField::kServer, QFile::decodeName(saved_.server.c_str()),
        QFile::decodeName((given_.socket.empty() ? given_.host : given_.socket).c_str()));
    server_->setPlaceholderText(toQt(texts_.msgBuiltInServer));
    port_ =
        field("dbPort", texts_.lblDbPort, DbField::kPort,
              saved_.port ? QString::number(saved_.port) : QString(), QString::number(given_.port));
    port_->setValidator(new QIntValidator(1, 65535, port_));
    port_->setPlaceholderText("3306");
    user_ = field("dbUser", texts_.msgDbUser, DbField::kUser, text(saved_.user), text(given_.user));
    // The variable's password is not shown, not even as dots.
    password_ = field("dbPassword", texts_.lblDbPassword, DbField::kPassword, text(password), {});
    password_->setEchoMode(QLineEdit::Password);
    name_ = field("dbName", texts_.msgDbName, DbField::kName, text(saved_.name), text(given_.name));

    compress_ = new QComboBox(this);
    compress_->setObjectName("dbCompress");
    // Its longest choice whole in every language; the dialog widens for it.
    compress_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    compress_->addItems({toQt(texts_.lblDbCompressAuto), toQt(texts_.lblDbCompressOn),
                         toQt(texts_.lblDbCompressOff)});
    compress_->setCurrentIndex(static_cast<int>(saved_.compress));
    auto* compressLabel = new QLabel(toQt(texts_.lblDbCompress), this);
    compressLabel->setBuddy(compress_);
    form->addRow(compressLabel, compress_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (!storeAvailable) {
        auto* note = new QLabel(toQt(texts_.msgDbNoStore), this);
        note->setObjectName("dbStoreNote");
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    test_ = new QPushButton(toQt(texts_.lblDbTest), this);
    test_->setObjectName("dbTest");
    test_->setAutoDefault(false);
    connect(test_, &QPushButton::clicked, this, [this] { testConnection(); });
    layout->addWidget(test_, 0, Qt::AlignLeft);
    result_ = new QLabel(this);
    result_->setObjectName("dbTestResult");
    result_->setWordWrap(true);
    result_->setTextFormat(Qt::PlainText);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(result_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(toQt(texts_.lblOk));
    buttons->button(QDialogButtonBox::Cancel)->setText(toQt(texts_.lblCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // The fields are wide enough for a host name; the dialog is as wide as
    // its longest row needs (a minimum of its own would override that).
    server_->setMinimumWidth(240);
}

T_dbSettings DbDialog::settings() const {
    T_dbSettings s = saved_;
    auto free = [this](DbField f) { return !dbFieldVariable(given_, f); };
    if (free(DbField::kServer))
        s.server = QFile::encodeName(server_->text().trimmed()).toStdString();
    if (free(DbField::kPort)) s.port = port_->text().toUInt();
    if (free(DbField::kUser)) s.user = user_->text().trimmed().toStdString();
    if (free(DbField::kName)) s.name = name_->text().trimmed().toStdString();
    if (free(DbField::kPassword)) s.passwordKept = !password_->text().isEmpty();
    s.compress = static_cast<DbCompress>(compress_->currentIndex());
    return s;
}

std::string DbDialog::password() const {
    return dbFieldVariable(given_, DbField::kPassword) ? std::string()
                                                       : password_->text().toStdString();
}

T_dbConnOverride DbDialog::connection() const {
    const T_dbSettings s = settings();
    return dbConnection(given_, &s, password());
}

void DbDialog::testConnection() {
    if (testing_) return;
    testing_ = true;
    test_->setEnabled(false);
    result_->setText(toQt(texts_.msgDbTesting));
    // A dead or silent server takes the connection's timeouts; the dialog
    // stays usable meanwhile and a result for a closed dialog is dropped.
    std::weak_ptr<int> alive = alive_;
    std::thread([this, alive, o = connection(), m = texts_] {
        const Probe p = probe(o, m);
        QMetaObject::invokeMethod(
            qApp,
            [this, alive, p, m] {
                if (alive.expired()) return;
                if (p.ok)
                    showResult(toQt(m.msgDbTestOk)
                                   .arg(QString::fromStdString(p.version),
                                        QString::fromStdString(p.satellites)));
                else if (p.connected)
                    showResult(toQt(m.msgDbNoSatTable).arg(QString::fromStdString(p.version)) +
                               "\n" + toQt(m.msgReason) + ": " + lines(p.failure));
                else
                    showResult(lines(p.failure));
            },
            Qt::QueuedConnection);
    }).detach();
}

void DbDialog::showResult(const QString& text) {
    testing_ = false;
    test_->setEnabled(true);
    result_->setText(text);
}

QString DbDialog::testResult() const { return result_->text(); }
