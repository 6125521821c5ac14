#include "download/dbLink.h"

#include <cstdlib>

#include "config/cfgTypes.h"
#include "config/textFunc.h"
#include "download/session.h"

namespace {
std::function<void(const std::string&)>& trace() {
    static std::function<void(const std::string&)> t;
    return t;
}
}  // namespace

void setDbLinkTrace(std::function<void(const std::string&)> t) { trace() = std::move(t); }

DbLink::DbLink() : s_(std::make_unique<DbSession>()) {}
DbLink::~DbLink() = default;

bool DbLink::open(const T_dbConnOverride& o) {
    // The built-in values, as loadCfg decodes them, under whatever o gives.
    T_cfgStruct cfg{};
    hexToText(cfg.dbHost, sizeof cfg.dbHost, builtin::kDbHostHex);
    hexToText(cfg.dbUser, sizeof cfg.dbUser, builtin::kDbUserHex);
    hexToText(cfg.dbPassword, sizeof cfg.dbPassword, builtin::kDbPasswordHex);
    hexToText(cfg.dbName, sizeof cfg.dbName, builtin::kDbNameHex);
    // An import lasts as long as its source is big: only the read timeout
    // bounds it, not a download's deadline.
    T_dbConnValues v = dbConnValues(cfg, o);
    v.deadline = 0;
    return s_->open(v);
}

bool DbLink::isOpen() const { return s_->isOpen(); }

bool DbLink::exec(const std::string& sql) {
    if (trace()) trace()(sql);
    return s_->exec(sql);
}

bool DbLink::query(const std::string& sql, std::vector<std::vector<std::string>>* rows) {
    rows->clear();
    if (trace()) trace()(sql);
    DbResult res;
    if (!s_->query(sql, &res)) return false;
    while (res.next()) {
        const DbRow& r = res.row();
        std::vector<std::string> row;
        row.reserve(r.columns());
        for (unsigned i = 0; i < r.columns(); ++i) {
            size_t n = 0;
            const char* p = r.raw(i, &n);
            row.emplace_back(p ? std::string(p, n) : std::string());
        }
        rows->push_back(std::move(row));
    }
    return s_->rowsRead(res);
}

bool DbLink::changed(uint64_t* n) {
    DbResult res;
    if (!s_->query("SELECT ROW_COUNT()", &res) || !res.next()) return false;
    long long v = std::strtoll(res.row().text(0), nullptr, 10);
    *n = v > 0 ? static_cast<uint64_t>(v) : 0;
    return true;
}

std::string DbLink::quote(std::string_view s) const {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "'" + string.
    std::string out = "'";
    out += s_->escape(std::string(s));
    out += '\'';
    return out;
}

std::string DbLink::error() const { return s_->error(); }
unsigned DbLink::errorCode() const { return s_->errorCode(); }
bool DbLink::readOnly() { return s_->readOnly(); }
bool DbLink::namesUtf8() const { return s_->namesUtf8(); }
std::string DbLink::server() const { return s_->server(); }

std::string DbLink::openFailureText(const LangStruct& m) const {
    return connectFailureText(m, s_->openTarget(), s_->openFault(), s_->error());
}

void DbLink::close() { s_->close(); }
