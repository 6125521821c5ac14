#include "ui/start.h"

#include <QApplication>
#include <QStyleFactory>

#include "download/connEnv.h"

void setupApplication(QApplication& app) {
    if (QStyle* s = QStyleFactory::create("Fusion")) app.setStyle(s);
}

bool dbConnFromEnv(T_dbConnOverride* conn, std::string* error) {
    *conn = T_dbConnOverride{};
    conn->optionGroup = kDbOptionGroup;
    return dbConnFromEnvironment(conn, error);
}
