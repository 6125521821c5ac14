#pragma once
// The receiver's two doors, through libcurl: its FTP server for the files
// and its web interface for the reload. One connection each, kept for the
// whole send; every call is bounded by the connect timeout and ends when a
// transfer stalls for the stall timeout.
#include <cstdint>
#include <string>
#include <vector>

struct BoxAddress {
    std::string host;
    unsigned ftpPort = 21;
    unsigned httpPort = 80;
    std::string user = "root";
    std::string password;
    unsigned connectTimeout = 10;  // seconds
    unsigned stallTimeout = 20;    // seconds without a byte
};

class BoxLink {
public:
    explicit BoxLink(BoxAddress a);
    ~BoxLink();
    BoxLink(const BoxLink&) = delete;
    BoxLink& operator=(const BoxLink&) = delete;

    // The plain files of a folder ("/etc/enigma2/"), by MLSD where the
    // server has it, else by NLST (which cannot tell folders, so the
    // callers only take names they know). A folder that is not there gives
    // no names and *exists false.
    bool listFiles(const std::string& folder, std::vector<std::string>* names, bool* exists);
    bool fetch(const std::string& path, std::string* bytes);
    bool put(const std::string& path, const std::string& bytes);
    bool size(const std::string& path, uint64_t* n);
    bool rename(const std::string& from, const std::string& to);
    bool remove(const std::string& path);
    // GET of the web interface; the status in *status (0 when none came).
    bool httpGet(const std::string& pathAndQuery, std::string* body, long* status);

    // Why the last call failed, with the server's own words where it gave
    // some; never the password.
    const std::string& error() const { return error_; }
    // True when the server listed by MLSD (else NLST).
    bool listedByMlsd() const { return mlsd_ == 1; }

private:
    void* ftp_ = nullptr;
    void* http_ = nullptr;
    BoxAddress a_;
    std::string error_;
    int mlsd_ = -1;  // -1 not tried yet, 0 the server lacks it, 1 it has it
    std::string url(const std::string& path) const;
    void prepare(void* h);
    bool perform(void* h, const std::string& what);
};
