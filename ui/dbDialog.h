#pragma once
// File > Channel database: the server, port, user, password, database and
// compression the window's jobs use, and a test of them as typed. A field
// that a VELARTIS_DB_* variable sets shows that value, read-only, with a
// note. Texts are the language's at the time the dialog opens.
#include <QDialog>
#include <memory>
#include <string>

#include "config/langTypes.h"
#include "download/connection.h"
#include "ui/dbSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class DbDialog : public QDialog {
    Q_OBJECT
public:
    // given: what the environment set; saved: the settings shown (defaults
    // when none are saved); password: the one in use; storeAvailable: false
    // says that the password cannot be kept.
    DbDialog(QWidget* parent, const LangStruct& texts, const T_dbConnOverride& given,
             const T_dbSettings& saved, const std::string& password, bool storeAvailable);

    // The settings as typed; a field a variable sets keeps its saved value.
    T_dbSettings settings() const;
    std::string password() const;
    // What the jobs would use with the values as typed.
    T_dbConnOverride connection() const;

    // Connects off the window's thread; the result line tells what it found.
    void testConnection();
    bool testing() const { return testing_; }
    QString testResult() const;

private:
    void showResult(const QString& text);

    LangStruct texts_;
    T_dbConnOverride given_;
    T_dbSettings saved_;
    QLineEdit *server_ = nullptr, *port_ = nullptr, *user_ = nullptr, *password_ = nullptr,
              *name_ = nullptr;
    QComboBox* compress_ = nullptr;
    QPushButton* test_ = nullptr;
    QLabel* result_ = nullptr;
    bool testing_ = false;
    // Gone with the dialog: a test that ends later finds it expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
