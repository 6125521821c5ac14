#include "cli/lib/dbOptions.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/cfgTypes.h"
#include "config/textFunc.h"
#include "download/connEnv.h"

namespace {

// What a connection option falls back to, for its help.
std::string builtIn(const char* hex) {
    char text[128];
    hexToText(text, sizeof text, hex);
    return " (built-in: " + std::string(text) + ")";
}

}  // namespace

void addDbOptions(CLI::App& app, CliDbOptions& o) {
    T_dbConnOverride& c = o.conn;
    app.add_option("--db-host", c.host,
                   "address of the channel database server, or several (a,b:3307,[::1]:3308) "
                   "tried in turn" +
                       builtIn(builtin::kDbHostHex))
        ->type_name("HOST");
    // The client library keeps only 16 bits of a port: 68842 would reach 3306.
    app.add_option(
           "--db-port", c.port,
           "port of the channel database server (built-in: " + std::to_string(kDbDefaultPort) + ")")
        ->check(CLI::Range(1, 65535))
        ->type_name("PORT");
    app.add_option("--db-user", c.user,
                   "user name on the channel database server" + builtIn(builtin::kDbUserHex))
        ->type_name("USER");
    app.add_option("--db-password", c.password,
                   "password on the channel database server (others can see it in the process "
                   "list: prefer VELARTIS_DB_PASSWORD or an option file)")
        ->type_name("PASSWORD");
    app.add_option("--db-name", c.name,
                   "name of the channel database" + builtIn(builtin::kDbNameHex))
        ->type_name("NAME");
    app.add_option("--db-socket", c.socket, "socket of a channel database server on this machine")
        ->type_name("SOCKET");
    app.add_option("--defaults-file", o.defaultsFile,
                   "read the connection values from this MariaDB option file (groups [client] "
                   "and [velartis]) instead of ~/.my.cnf and the system's")
        ->type_name("FILE");
    app.add_option("--db-compress", o.compress,
                   "protocol compression: auto (on only for a server on another host), on or off")
        ->check(CLI::IsMember({"auto", "on", "off"}))
        ->capture_default_str()
        ->type_name("WHEN");
}

bool finishDbOptions(const CLI::App& app, CliDbOptions& o, std::string* err) {
    T_dbConnOverride& c = o.conn;
    c.passwordSet = app.count("--db-password") > 0;
    parseDbCompress(o.compress, &c.compress);
    // Options first, then the environment, then the option files (read by
    // the client library when it connects), then the built-in values.
    if (!dbConnFromEnvironment(&c, err)) return false;
    std::vector<DbServer> servers;
    if (!parseDbServers(c.host, &servers, err)) return false;
    c.optionGroup = kDbOptionGroup;
    if (app.count("--defaults-file") > 0) {
        // The client library passes over a file it cannot read without a word.
        // A folder opens too, and only its reading fails.
        FILE* f = std::fopen(o.defaultsFile.c_str(), "rb");
        int e = f ? 0 : errno;
        if (f && (std::fgetc(f) == EOF && std::ferror(f))) e = errno;
        if (f) std::fclose(f);
        if (e) {
            *err = "cannot read --defaults-file '" + o.defaultsFile + "': " + std::strerror(e);
            return false;
        }
        c.optionFile = o.defaultsFile;
    }
    return true;
}

bool optionTakenAsValue(const CLI::App& app, std::string* err) {
    for (const CLI::Option* o : app.get_options()) {
        // Flags take no value; a password may be any text and is never
        // quoted; a path after "--" is what the user meant.
        if (o->get_type_size() == 0 || !o->nonpositional() || o->check_name("--db-password"))
            continue;
        for (const std::string& v : o->results()) {
            if (v.size() < 2 || v[0] != '-') continue;
            const std::string name = v.substr(0, v.find('='));
            auto named = [&name](const CLI::Option* x) { return x->check_name(name); };
            if (app.get_options(named).empty()) continue;
            *err = o->get_name() + " needs a value, not the option " + name;
            return true;
        }
    }
    return false;
}

std::string withoutPasswords(std::string text, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--db-pas", 0) != 0) continue;
        size_t eq = arg.find('=');
        std::string secret = eq != std::string::npos ? arg.substr(eq + 1)
                             : i + 1 < argc          ? std::string(argv[i + 1])
                                                     : std::string();
        if (secret.empty()) continue;
        for (size_t at; (at = text.find(secret)) != std::string::npos;)
            text.replace(at, secret.size(), "***");
    }
    return text;
}

int usageError(const char* prog, const std::string& reason) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", prog, reason.c_str(), prog);
    return kExitUsage;
}

int parseCommandLine(CLI::App& app, int argc, char** argv, const char* prog) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        return usageError(prog, withoutPasswords(e.what(), argc, argv));
    }
    std::string taken;
    if (optionTakenAsValue(app, &taken)) return usageError(prog, taken);
    return -1;
}
