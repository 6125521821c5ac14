#include "cli/lib/sendCli.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/lib/cliReport.h"
#include "cli/lib/consoleEvents.h"
#include "cli/lib/dbOptions.h"
#include "config/codepage.h"
#include "config/fileIo.h"
#include "config/lang.h"
#include "config/textFunc.h"
#include "platform/platform.h"
#include "send/boxSend.h"

namespace fs = std::filesystem;

namespace {

std::string jsonList(const std::vector<std::string>& items) {
    std::string s = "[";
    for (size_t i = 0; i < items.size(); ++i) s += (i ? ", " : "") + jsonString(items[i]);
    return s + "]";
}

// The result's fields, each on a line of its own after `indent`.
std::string resultFields(const SendResult& r, const std::string& indent) {
    std::string j;
    j += indent + std::string("\"ok\": ") + (r.ok ? "true" : "false") + ",\n";
    j += indent + "\"state\": " + jsonString(boxStateName(r.state)) + ",\n";
    j += indent + "\"error\": " + jsonString(cp1252ToUtf8(r.error)) + ",\n";
    j += indent + "\"boxState\": " + jsonString(cp1252ToUtf8(r.boxState)) + ",\n";
    j += indent + "\"backup\": " + jsonString(r.backup) + ",\n";
    j += indent + "\"backedUp\": " + jsonList(r.backedUp) + ",\n";
    j += indent + "\"sent\": " + jsonList(r.sent) + ",\n";
    j += indent + "\"removed\": " + jsonList(r.removed) + ",\n";
    j += indent + "\"reload\": " + jsonString(r.reload) + ",\n";
    j += indent + "\"verified\": " + jsonString(cp1252ToUtf8(r.verified)) + "\n";
    return j;
}

std::string sendJson(const SendResult& r, int exitCode) {
    return "{\n  \"program\": \"velartis-cli send\",\n  \"exitCode\": " + std::to_string(exitCode) +
           ",\n" + resultFields(r, "  ") + "}\n";
}

}  // namespace

void addBoxOptions(CLI::App& app, BoxCliOptions& o, const char* prefix) {
    const std::string p = prefix;
    app.add_option("--ftp-port", o.box.ftpPort, p + "the box's FTP port")
        ->capture_default_str()
        ->check(CLI::Range(1, 65535));
    app.add_option("--http-port", o.box.httpPort, p + "the port of the box's web interface")
        ->capture_default_str()
        ->check(CLI::Range(1, 65535));
    app.add_option("--box-user", o.box.user, p + "the user on the box")->capture_default_str();
    app.add_option("--password-file", o.passwordFile,
                   p + "a file whose first line is the box's password (else "
                       "VELARTIS_BOX_PASSWORD)")
        ->type_name("FILE");
    app.add_flag("--no-reload", o.noReload,
                 p + "leave the box's lists loaded as they are (it takes the new one at its "
                     "restart)");
    app.add_option("--shadow", o.shadow,
                   p + "a satellites.xml under /etc/enigma2 hides the list's: stop, or replace "
                       "it too")
        ->check(CLI::IsMember({"stop", "replace"}))
        ->capture_default_str();
    o.send.backupRoot = defaultBackupRoot();
    app.add_option("--backup-dir", o.send.backupRoot, p + "where the box's dated backups go")
        ->capture_default_str()
        ->type_name("DIR");
    app.add_option("--box-timeout", o.box.connectTimeout,
                   p + "seconds to reach the box, and twice that without a byte")
        ->capture_default_str()
        ->check(CLI::Range(1, 600));
}

bool finishBoxOptions(BoxCliOptions& o, std::string* err) {
    o.box.stallTimeout = o.box.connectTimeout * 2;
    if (!o.passwordFile.empty()) {
        std::string text;
        if (!readFileWhole(o.passwordFile, &text)) {
            *err = "cannot read --password-file '" + o.passwordFile + "'";
            return false;
        }
        o.box.password = text.substr(0, text.find_first_of("\r\n"));
    } else if (const char* v = std::getenv("VELARTIS_BOX_PASSWORD")) {
        o.box.password = v;
    }
    o.send.reload = !o.noReload;
    o.send.shadow = o.shadow == "replace" ? ShadowChoice::kReplace : ShadowChoice::kStop;
    const VaTime t = systemLocalTime();
    o.send.stamp = backupStamp(t.year, t.month, t.day, t.hour, t.minute, t.second);
    return true;
}

static int sendOrRestore(const std::string& folder, BoxCliOptions& o, ConsoleEvents& ui,
                         const std::string& reportFile, bool restoring, std::string* json) {
    if (o.family == "auto") {
        std::error_code ec;
        const bool e1 = fs::exists(fs::path(folder) / "services", ec) ||
                        fs::exists(fs::path(folder) / "var/tuxbox/config/enigma", ec);
        o.send.kind = e1 ? BoxKind::kEnigma1 : BoxKind::kEnigma2;
    } else {
        o.send.kind = o.family == "e1" ? BoxKind::kEnigma1 : BoxKind::kEnigma2;
    }
    T_sendRequest q;
    q.folder = folder;
    q.restore = restoring;
    q.box = o.box;
    q.options = o.send;
    q.lang = MsgLang;
    q.events = &ui;
    std::fflush(stdout);
    ui.beginJob(cp1252ToUtf8(fieldText(MsgLang.sendJob)) + " " + o.box.host);
    const int code = static_cast<int>(sendJob(&q));
    ui.endJob(code == 0);
    const SendResult& r = q.result;
    if (json) *json = "{\n" + resultFields(r, "    ") + "  }";
    if (r.ok) {
        std::printf("%s\n", cp1252ToUtf8(
                                strFormat(restoring ? MsgLang.sendCliRestored : MsgLang.sendCliSent,
                                          r.sent.size(), r.removed.size(), r.boxState.c_str()))
                                .c_str());
        if (!r.verified.empty())
            std::printf(
                "%s\n",
                cp1252ToUtf8(strFormat(MsgLang.sendCliChecked, r.verified.c_str())).c_str());
    } else {
        std::fprintf(stderr, "%s\n",
                     cp1252ToUtf8(strFormat(MsgLang.sendCliHolds, r.boxState.c_str())).c_str());
    }
    // The backup folder is a path: its bytes as they are.
    if (!r.backup.empty() && !restoring)
        std::printf("%s%s\n", cp1252ToUtf8(strFormat(MsgLang.sendCliBackup, "")).c_str(),
                    r.backup.c_str());
    std::fflush(stdout);
    if (!reportFile.empty()) {
        std::string err;
        if (!writeFileWhole(reportFile, sendJson(r, code), &err)) {
            std::fprintf(stderr, "velartis-cli send: the report was not written: %s\n",
                         err.c_str());
            return 1;
        }
    }
    return code;
}

int sendFolder(const std::string& folder, BoxCliOptions& o, ConsoleEvents& ui, std::string* json) {
    return sendOrRestore(folder, o, ui, {}, false, json);
}

int runSendCli(int argc, char** argv) {
    CLI::App app{
        "velartis-cli send: sends an Enigma2 or Enigma1 list folder that Velartis wrote to a "
        "receiver over FTP: backs up the box's list first, uploads every file under a temporary "
        "name and checks it, renames them all into place, removes the bouquet files the new list "
        "no longer names and a stale lamedb5, then reloads the lists through the box's web "
        "interface and checks that the box shows the new bouquets. A failure after the first "
        "rename puts the backup back; the run says which list the box holds.",
        "velartis-cli send"};
    app.footer(
        "The box's password comes from --password-file or VELARTIS_BOX_PASSWORD, never from the "
        "command line.\n\nExit status: 0 sent (and reloaded), 1 failed (the box's state is "
        "said), 64 wrong usage.");
    app.set_help_flag("-h,--help", "print this help and exit");
    std::string folder, restore, reportFile, lang = "en";
    BoxCliOptions o;
    bool quiet = false, progress = false;
    app.add_option("folder", folder, "the list folder Velartis wrote (Enigma2 or Enigma1)");
    app.add_option("--restore", restore, "put this backup folder back instead of sending a list")
        ->type_name("BACKUP");
    app.add_option("--box", o.box.host, "the receiver's address")->required()->type_name("HOST");
    addBoxOptions(app, o, "");
    app.add_option("--family", o.family, "e2, e1, or auto: by the folder's files")
        ->check(CLI::IsMember({"auto", "e2", "e1"}))
        ->capture_default_str();
    app.add_option("--report-json", reportFile,
                   "also write every file backed up, sent and removed, the reload's answer and "
                   "what the box showed, as JSON")
        ->type_name("FILE");
    app.add_flag("-q,--quiet", quiet, "print only errors and the result");
    app.add_flag("--progress", progress,
                 "print the job's percentage as lines even when no one watches");
    app.add_option("--lang", lang, "language of the messages: it, en, fr, de or es")
        ->check(CLI::IsMember({"it", "en", "fr", "de", "es"}))
        ->capture_default_str();
    if (int code = parseCommandLine(app, argc, argv, "velartis-cli send"); code >= 0) return code;
    if (folder.empty() == restore.empty())
        return usageError("velartis-cli send",
                          "give a list folder or --restore BACKUP, one of them");
    std::string err;
    if (!finishBoxOptions(o, &err)) return usageError("velartis-cli send", err);
    setLang(&MsgLang, langByCode(lang.c_str()));
    ConsoleEvents ui = ConsoleEvents::onStderr(quiet, progress);
    ui.setLanguage(&MsgLang);
    return restore.empty() ? sendOrRestore(folder, o, ui, reportFile, false, nullptr)
                           : sendOrRestore(restore, o, ui, reportFile, true, nullptr);
}
