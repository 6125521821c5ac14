// "Send to receiver…": the last Enigma list generated goes to the box on a
// thread of its own, its steps in the status bar, its end in a box.
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <filesystem>

#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/mainWnd.h"
#include "ui/sendDialog.h"

void CppWnd::sendToReceiver() {
    if (sending_ || sendFolder_.empty() || ui_->jobRunning()) return;
    T_boxSettings saved = loadBoxSettings();
    std::string password = boxPassword_;
    if (password.empty()) secrets().read(kBoxPasswordKey, &password, nullptr);
    SendDialog dlg(this, MsgLang, saved, password);
    if (dlg.exec() != QDialog::Accepted) return;
    const T_boxSettings s = dlg.settings();
    saveBoxSettings(s);
    boxPassword_ = s.box.password;
    // Without a secret store the password lasts until the program ends.
    if (secrets().available(nullptr)) secrets().write(kBoxPasswordKey, s.box.password, nullptr);

    SendOptions o;
    o.kind = sendKind_;
    o.reload = s.reload;
    o.shadow = s.replaceShadow ? ShadowChoice::kReplace : ShadowChoice::kStop;
    o.backupRoot = defaultBackupRoot();
    const VaTime t = ui_->localTime();
    o.stamp = backupStamp(t.year, t.month, t.day, t.hour, t.minute, t.second);
    sending_ = true;
    send_->setEnabled(false);
    ui_->setStatus(Widget.hStatus, 0, fieldText(MsgLang.msgSending));
    ui_->setStatus(Widget.hStatus, 1, "");
    if (sendThread_.joinable()) sendThread_.join();
    QPointer<CppWnd> self(this);
    sendThread_ = std::thread([self, folder = sendFolder_, box = s.box, o] {
        const SendSay say = [self](const std::string& step) {
            QMetaObject::invokeMethod(qApp, [self, step] {
                if (self) self->ui_->setStatus(Widget.hStatus, 1, step);
            });
        };
        const SendResult r = sendList(folder, box, o, say);
        QMetaObject::invokeMethod(qApp, [self, r] {
            if (self) self->sendEnded(r);
        });
    });
}

void CppWnd::sendEnded(const SendResult& r) {
    sending_ = false;
    send_->setEnabled(!sendFolder_.empty() && !ui_->jobRunning());
    std::string text = fieldText(r.ok ? MsgLang.msgSendOk : MsgLang.msgSendFailed);
    if (!r.ok) text += "\r\n" + r.error;
    text += "\r\n" + r.boxState;
    if (!r.verified.empty()) text += "\r\n" + r.verified;
    if (!r.backup.empty()) text += "\r\n" + r.backup;
    ui_->setStatus(Widget.hStatus, 0,
                   r.ok ? fieldText(MsgLang.msgSendOk) : fieldText(MsgLang.msgError));
    ui_->setStatus(Widget.hStatus, 1, r.ok ? r.boxState : r.error);
    ui_->messageBox(Widget.hMain, text, fieldText(r.ok ? MsgLang.msgMessage : MsgLang.msgError),
                    kMbOk | (r.ok ? kMbIconInformation : kMbIconError));
}
