#include "download/connEnv.h"

#include <cstdlib>

namespace {

const char* env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

void fill(std::string* field, const char* name) {
    if (!field->empty()) return;
    if (const char* v = env(name)) *field = v;
}

}  // namespace

bool dbConnFromEnvironment(T_dbConnOverride* o, std::string* err) {
    unsigned port = o->port;
    if (port == 0) {
        if (const char* v = env("VELARTIS_DB_PORT"); v && !parseDbPort(v, &port)) {
            *err = "VELARTIS_DB_PORT is '" + std::string(v) +
                   "'; it must be a port number (1 to 65535)";
            return false;
        }
    }
    o->port = port;
    fill(&o->host, "VELARTIS_DB_HOST");
    fill(&o->user, "VELARTIS_DB_USER");
    fill(&o->name, "VELARTIS_DB_NAME");
    fill(&o->socket, "VELARTIS_DB_SOCKET");
    if (!o->passwordSet && o->password.empty()) {
        if (const char* v = std::getenv("VELARTIS_DB_PASSWORD")) {
            o->password = v;
            o->passwordSet = true;
        }
    }
    return true;
}
