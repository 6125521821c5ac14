#include "ui/start.h"

#include <QApplication>
#include <QStyleFactory>
#include <cerrno>
#include <cstdlib>
#include <cstring>

void setupApplication(QApplication& app) {
    if (QStyle* s = QStyleFactory::create("Fusion")) app.setStyle(s);
}

bool dbConnFromEnv(T_dbConnOverride* conn, std::string* error) {
    *conn = T_dbConnOverride{};
    if (const char* host = std::getenv("VELARTIS_DB_HOST")) conn->host = host;
    if (const char* socket = std::getenv("VELARTIS_DB_SOCKET")) conn->socket = socket;
    if (const char* port = std::getenv("VELARTIS_DB_PORT"); port && *port) {
        // The client library keeps 16 bits of a port: 68842 would reach 3306.
        char* end = nullptr;
        errno = 0;
        const unsigned long p = std::strtoul(port, &end, 10);
        if (*end || errno || p < 1 || p > 65535 || std::strchr(port, '-')) {
            *error = std::string("VELARTIS_DB_PORT is not a port (1 to 65535): ") + port;
            return false;
        }
        conn->port = static_cast<unsigned>(p);
    }
    return true;
}
