#pragma once
// "Send to receiver…": the box's address, ports, user and password, and
// what the send may do. Kept per user like the server settings; the
// password goes to the secret store, never into the settings file.
#include <QDialog>
#include <string>

#include "config/langTypes.h"
#include "send/boxSend.h"

class QCheckBox;
class QLineEdit;

struct T_boxSettings {
    BoxAddress box;
    bool reload = true;
    bool replaceShadow = false;
};

// The saved settings (the built-in ones where none are saved), without the
// password; and saving them.
T_boxSettings loadBoxSettings();
void saveBoxSettings(const T_boxSettings& s);
constexpr const char* kBoxPasswordKey = "receiver";

class SendDialog : public QDialog {
    Q_OBJECT
public:
    SendDialog(QWidget* parent, const LangStruct& texts, const T_boxSettings& saved,
               const std::string& password);
    // The values as typed, the password with them.
    T_boxSettings settings() const;

private:
    QLineEdit *host_, *ftpPort_, *httpPort_, *user_, *password_;
    QCheckBox *reload_, *shadow_;
};
