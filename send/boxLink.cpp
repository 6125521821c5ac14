#include "send/boxLink.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

void curlInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t toString(char* p, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(p, size * n);
    return size * n;
}

size_t discard(char*, size_t size, size_t n, void*) { return size * n; }

struct Source {
    const std::string* bytes;
    size_t at = 0;
};
size_t fromString(char* p, size_t size, size_t n, void* in) {
    auto* s = static_cast<Source*>(in);
    const size_t left = s->bytes->size() - s->at;
    const size_t take = std::min(left, size * n);
    std::memcpy(p, s->bytes->data() + s->at, take);
    s->at += take;
    return take;
}

// Each path segment escaped; the slashes kept.
std::string escapedPath(CURL* h, const std::string& path) {
    std::string out;
    size_t from = 0;
    while (from <= path.size()) {
        const size_t slash = path.find('/', from);
        const std::string seg =
            path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
        if (!seg.empty()) {
            char* e = curl_easy_escape(h, seg.c_str(), static_cast<int>(seg.size()));
            out += e ? e : seg;
            curl_free(e);
        }
        if (slash == std::string::npos) break;
        out += '/';
        from = slash + 1;
    }
    return out;
}

}  // namespace

BoxLink::BoxLink(BoxAddress a) : a_(std::move(a)) {
    curlInit();
    ftp_ = curl_easy_init();
    http_ = curl_easy_init();
}

BoxLink::~BoxLink() {
    if (ftp_) curl_easy_cleanup(static_cast<CURL*>(ftp_));
    if (http_) curl_easy_cleanup(static_cast<CURL*>(http_));
}

std::string BoxLink::url(const std::string& path) const {
    const std::string host = a_.host.find(':') != std::string::npos ? "[" + a_.host + "]" : a_.host;
    return "ftp://" + host + ":" + std::to_string(a_.ftpPort) +
           escapedPath(static_cast<CURL*>(ftp_), path);
}

void BoxLink::prepare(void* handle) {
    CURL* h = static_cast<CURL*>(handle);
    // A reset keeps the open connection; every call sets what it needs.
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_USERNAME, a_.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, a_.password.c_str());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(a_.connectTimeout));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(a_.stallTimeout));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // What a call does not ask for (the headers of a size request) is dropped.
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(h, CURLOPT_FTP_RESPONSE_TIMEOUT, static_cast<long>(a_.stallTimeout));
    // TLS where the box offers it; a box's certificate is its own.
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
}

bool BoxLink::perform(void* handle, const std::string& what) {
    char buf[CURL_ERROR_SIZE] = "";
    CURL* h = static_cast<CURL*>(handle);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, buf);
    const CURLcode rc = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
    if (rc == CURLE_OK) return true;
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    error_ = what + ": " + (buf[0] ? buf : curl_easy_strerror(rc));
    if (code) error_ += " (server answer " + std::to_string(code) + ")";
    return false;
}

bool BoxLink::listFiles(const std::string& folder, std::vector<std::string>* names, bool* exists) {
    names->clear();
    *exists = true;
    CURL* h = static_cast<CURL*>(ftp_);
    std::string text;
    auto list = [&](bool mlsd) {
        prepare(h);
        text.clear();
        curl_easy_setopt(h, CURLOPT_URL, url(folder).c_str());
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, toString);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &text);
        if (mlsd)
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "MLSD");
        else
            curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
        return perform(h, "listing " + folder);
    };
    bool ok = false;
    if (mlsd_ != 0) {
        ok = list(true);
        long code = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
        if (ok) {
            mlsd_ = 1;
        } else if (code == 500 || code == 501 || code == 502 || code == 504) {
            mlsd_ = 0;  // the server lacks MLSD: ask by NLST from now on
        }
    }
    if (!ok && mlsd_ == 0) ok = list(false);
    if (!ok) {
        long code = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
        if (code == 550) {  // no such folder
            *exists = false;
            error_.clear();
            return true;
        }
        return false;
    }
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (mlsd_ == 1) {
            // "type=file;size=12;modify=...; name": facts, a space, the name.
            const size_t sp = line.find(' ');
            if (sp == std::string::npos) continue;
            std::string facts = line.substr(0, sp);
            for (char& c : facts)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (facts.find("type=file;") == std::string::npos && facts.rfind("type=file", 0) != 0)
                continue;
            names->push_back(line.substr(sp + 1));
        } else {
            const size_t slash = line.rfind('/');
            names->push_back(slash == std::string::npos ? line : line.substr(slash + 1));
        }
    }
    return true;
}

bool BoxLink::fetch(const std::string& path, std::string* bytes) {
    CURL* h = static_cast<CURL*>(ftp_);
    prepare(h);
    bytes->clear();
    curl_easy_setopt(h, CURLOPT_URL, url(path).c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, toString);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, bytes);
    return perform(h, "reading " + path);
}

bool BoxLink::put(const std::string& path, const std::string& bytes) {
    CURL* h = static_cast<CURL*>(ftp_);
    prepare(h);
    Source src{&bytes};
    curl_easy_setopt(h, CURLOPT_URL, url(path).c_str());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, fromString);
    curl_easy_setopt(h, CURLOPT_READDATA, &src);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
    return perform(h, "writing " + path);
}

bool BoxLink::size(const std::string& path, uint64_t* n) {
    CURL* h = static_cast<CURL*>(ftp_);
    prepare(h);
    curl_easy_setopt(h, CURLOPT_URL, url(path).c_str());
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    if (!perform(h, "asking the size of " + path)) return false;
    curl_off_t len = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &len);
    if (len < 0) {
        error_ = "the server gave no size of " + path;
        return false;
    }
    *n = static_cast<uint64_t>(len);
    return true;
}

bool BoxLink::rename(const std::string& from, const std::string& to) {
    CURL* h = static_cast<CURL*>(ftp_);
    prepare(h);
    curl_slist* cmds = nullptr;
    cmds = curl_slist_append(cmds, ("RNFR " + from).c_str());
    cmds = curl_slist_append(cmds, ("RNTO " + to).c_str());
    curl_easy_setopt(h, CURLOPT_URL, url("/").c_str());
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_QUOTE, cmds);
    const bool ok = perform(h, "renaming " + from + " to " + to);
    curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(cmds);
    return ok;
}

bool BoxLink::remove(const std::string& path) {
    CURL* h = static_cast<CURL*>(ftp_);
    prepare(h);
    curl_slist* cmds = curl_slist_append(nullptr, ("DELE " + path).c_str());
    curl_easy_setopt(h, CURLOPT_URL, url("/").c_str());
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h, CURLOPT_QUOTE, cmds);
    const bool ok = perform(h, "removing " + path);
    curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(cmds);
    return ok;
}

bool BoxLink::httpGet(const std::string& pathAndQuery, std::string* body, long* status) {
    CURL* h = static_cast<CURL*>(http_);
    prepare(h);
    body->clear();
    *status = 0;
    const std::string host = a_.host.find(':') != std::string::npos ? "[" + a_.host + "]" : a_.host;
    const std::string u = "http://" + host + ":" + std::to_string(a_.httpPort) + pathAndQuery;
    curl_easy_setopt(h, CURLOPT_URL, u.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(a_.connectTimeout + a_.stallTimeout));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, toString);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, body);
    const bool ok = perform(h, "asking the web interface " + pathAndQuery);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, status);
    return ok;
}
