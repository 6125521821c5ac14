#include "ui/dbSettings.h"

#include <QFile>
#include <QSettings>

QSettings userSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Velartis", "velartis");
}

namespace {

const char* const kCompressNames[] = {"auto", "on", "off"};

std::string utf8(const QVariant& v) { return v.toString().toStdString(); }

bool passwordGiven(const T_dbConnOverride& o) { return o.passwordSet || !o.password.empty(); }

}  // namespace

bool loadDbSettings(T_dbSettings* s) {
    QSettings q = userSettings();
    q.beginGroup("database");
    if (!q.contains("server")) return false;
    T_dbSettings r;
    // A socket path is the file system's bytes, like every path.
    r.server = QFile::encodeName(q.value("server").toString()).toStdString();
    const unsigned port = q.value("port", 0).toUInt();
    r.port = port <= 65535 ? port : 0;
    r.user = utf8(q.value("user"));
    r.name = utf8(q.value("name"));
    if (!parseDbCompress(utf8(q.value("compress", "auto")), &r.compress))
        r.compress = DbCompress::kAuto;
    r.passwordKept = q.value("passwordKept", false).toBool();
    *s = r;
    return true;
}

void saveDbSettings(const T_dbSettings& s) {
    QSettings q = userSettings();
    q.beginGroup("database");
    q.setValue("server", QFile::decodeName(s.server.c_str()));
    q.setValue("port", s.port);
    q.setValue("user", QString::fromStdString(s.user));
    q.setValue("name", QString::fromStdString(s.name));
    q.setValue("compress", kCompressNames[static_cast<int>(s.compress)]);
    q.setValue("passwordKept", s.passwordKept);
}

T_dbConnOverride dbConnection(const T_dbConnOverride& given, const T_dbSettings* saved,
                              const std::string& password) {
    T_dbConnOverride o = given;
    if (!saved) return o;
    // Saved settings take the option files' place.
    o.optionGroup.clear();
    o.optionFile.clear();
    if (o.host.empty() && o.socket.empty()) {
        if (!saved->server.empty() && saved->server[0] == '/')
            o.socket = saved->server;
        else
            o.host = saved->server;
    }
    if (o.port == 0) o.port = saved->port;
    if (o.user.empty()) o.user = saved->user;
    if (o.name.empty()) o.name = saved->name;
    o.compress = saved->compress;
    if (!passwordGiven(given)) {
        // A user of one's own without a password has none; no user of one's
        // own keeps the built-in user with its password.
        if (saved->passwordKept) {
            o.password = password;
            o.passwordSet = true;
        } else if (!saved->user.empty()) {
            o.password.clear();
            o.passwordSet = true;
        }
    }
    return o;
}

const char* dbFieldVariable(const T_dbConnOverride& given, DbField f) {
    switch (f) {
    case DbField::kServer:
        if (!given.socket.empty()) return "VELARTIS_DB_SOCKET";
        return given.host.empty() ? nullptr : "VELARTIS_DB_HOST";
    case DbField::kPort: return given.port ? "VELARTIS_DB_PORT" : nullptr;
    case DbField::kUser: return given.user.empty() ? nullptr : "VELARTIS_DB_USER";
    case DbField::kPassword: return passwordGiven(given) ? "VELARTIS_DB_PASSWORD" : nullptr;
    case DbField::kName: return given.name.empty() ? nullptr : "VELARTIS_DB_NAME";
    }
    return nullptr;
}

bool dbPasswordFromStore(const T_dbConnOverride& given, const T_dbSettings* saved) {
    return saved && saved->passwordKept && !passwordGiven(given);
}
