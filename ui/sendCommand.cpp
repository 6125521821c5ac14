// "Send to receiver…": the last Enigma list generated goes to the box as a
// job, its steps in the status bar and the generation's bar, its end in a
// box.
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <filesystem>

#include "config/lang.h"
#include "config/textFunc.h"
#include "ui/mainWnd.h"
#include "ui/sendDialog.h"

void CppWnd::sendToReceiver() {
    if (sendFolder_.empty() || ui_->jobRunning()) return;
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
    T_sendRequest q;
    q.folder = sendFolder_;
    q.box = s.box;
    q.options = o;
    q.lang = MsgLang;
    q.events = &jobEvents_;
    // The send greys the window as every job does; it cannot be cancelled
    // from here, its timeouts end it.
    jobEvents_.setCancelButton(nullptr, {}, {});
    jobEvents_.setCounts(static_cast<int>(catParam.count), static_cast<int>(favParam.count));
    staleDuringJob_ = false;
    runningButton_ = 0;
    send_->setEnabled(false);
    QPointer<CppWnd> self(this);
    if (!startSendJob(*ui_, std::move(q), [self](const SendResult& r) {
            if (self) self->sendEnded(r);
        }))
        send_->setEnabled(true);
}

void CppWnd::sendEnded(const SendResult& r) {
    afterAnyJob();
    std::string text = fieldText(r.ok ? MsgLang.msgSendOk : MsgLang.msgSendFailed);
    if (!r.ok) text += "\r\n" + r.error;
    text += "\r\n" + strFormat(MsgLang.sendCliHolds, r.boxState.c_str());
    if (!r.verified.empty()) text += "\r\n" + strFormat(MsgLang.sendCliChecked, r.verified.c_str());
    if (!r.backup.empty()) text += "\r\n" + strFormat(MsgLang.sendCliBackup, r.backup.c_str());
    ui_->messageBox(Widget.hMain, text, fieldText(r.ok ? MsgLang.msgMessage : MsgLang.msgError),
                    kMbOk | (r.ok ? kMbIconInformation : kMbIconError));
}
