#include "ui/sendDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/textFunc.h"
#include "ui/dbSettings.h"
#include "ui/qtPlatform.h"

T_boxSettings loadBoxSettings() {
    QSettings q = userSettings();
    T_boxSettings s;
    s.box.host = q.value("receiver/host").toString().toStdString();
    s.box.ftpPort = q.value("receiver/ftpPort", 21).toUInt();
    s.box.httpPort = q.value("receiver/httpPort", 80).toUInt();
    s.box.user = q.value("receiver/user", "root").toString().toStdString();
    s.reload = q.value("receiver/reload", true).toBool();
    s.replaceShadow = q.value("receiver/replaceShadow", false).toBool();
    if (s.box.ftpPort < 1 || s.box.ftpPort > 65535) s.box.ftpPort = 21;
    if (s.box.httpPort < 1 || s.box.httpPort > 65535) s.box.httpPort = 80;
    return s;
}

void saveBoxSettings(const T_boxSettings& s) {
    QSettings q = userSettings();
    q.setValue("receiver/host", QString::fromStdString(s.box.host));
    q.setValue("receiver/ftpPort", s.box.ftpPort);
    q.setValue("receiver/httpPort", s.box.httpPort);
    q.setValue("receiver/user", QString::fromStdString(s.box.user));
    q.setValue("receiver/reload", s.reload);
    q.setValue("receiver/replaceShadow", s.replaceShadow);
}

SendDialog::SendDialog(QWidget* parent, const LangStruct& m, const T_boxSettings& saved,
                       const std::string& password)
    : QDialog(parent) {
    setObjectName("sendDialog");
    setWindowTitle(toQt(fieldText(m.lblSendTitle)));
    auto* form = new QFormLayout;
    auto field = [&](const char* name, const std::string& text) {
        auto* e = new QLineEdit(QString::fromStdString(text), this);
        e->setObjectName(name);
        return e;
    };
    host_ = field("sendHost", saved.box.host);
    ftpPort_ = field("sendFtpPort", std::to_string(saved.box.ftpPort));
    httpPort_ = field("sendHttpPort", std::to_string(saved.box.httpPort));
    for (QLineEdit* p : {ftpPort_, httpPort_}) p->setValidator(new QIntValidator(1, 65535, p));
    user_ = field("sendUser", saved.box.user);
    password_ = field("sendPassword", password);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(toQt(fieldText(m.lblSendHost)), host_);
    form->addRow(toQt(fieldText(m.lblSendFtpPort)), ftpPort_);
    form->addRow(toQt(fieldText(m.lblSendHttpPort)), httpPort_);
    form->addRow(toQt(fieldText(m.lblSendUser)), user_);
    form->addRow(toQt(fieldText(m.lblDbPassword)), password_);
    reload_ = new QCheckBox(toQt(fieldText(m.chkSendReload)), this);
    reload_->setObjectName("sendReload");
    reload_->setChecked(saved.reload);
    shadow_ = new QCheckBox(toQt(fieldText(m.chkSendShadow)), this);
    shadow_->setObjectName("sendShadow");
    shadow_->setChecked(saved.replaceShadow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(toQt(fieldText(m.lblOk)));
    buttons->button(QDialogButtonBox::Cancel)->setText(toQt(fieldText(m.lblCancel)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // No address, nothing to send to.
    auto okEnabled = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!host_->text().trimmed().isEmpty());
    };
    connect(host_, &QLineEdit::textChanged, this, okEnabled);
    okEnabled();
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(reload_);
    all->addWidget(shadow_);
    all->addWidget(buttons);
}

T_boxSettings SendDialog::settings() const {
    T_boxSettings s;
    s.box.host = host_->text().trimmed().toStdString();
    s.box.ftpPort = ftpPort_->text().toUInt();
    s.box.httpPort = httpPort_->text().toUInt();
    if (s.box.ftpPort == 0) s.box.ftpPort = 21;
    if (s.box.httpPort == 0) s.box.httpPort = 80;
    s.box.user = user_->text().trimmed().toStdString();
    s.box.password = password_->text().toStdString();
    s.reload = reload_->isChecked();
    s.replaceShadow = shadow_->isChecked();
    return s;
}
