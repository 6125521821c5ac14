#include "ui/secretStore.h"

#include <qt6keychain/keychain.h>
#include <QEventLoop>

namespace {

constexpr const char* kService = "velartis";

// The jobs answer through the event loop; the store replies quickly, or at
// once with an error where no session bus runs.
SecretStore::Result run(QKeychain::Job* job, std::string* error) {
    job->setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    switch (job->error()) {
    case QKeychain::NoError: return SecretStore::Result::kOk;
    case QKeychain::EntryNotFound: return SecretStore::Result::kNotFound;
    default:
        if (error) *error = job->errorString().toStdString();
        return SecretStore::Result::kUnavailable;
    }
}

class DesktopStore : public SecretStore {
public:
    Result read(const std::string& key, std::string* secret, std::string* error) override {
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(QString::fromStdString(key));
        const Result r = run(&job, error);
        if (r == Result::kOk) *secret = job.textData().toStdString();
        return r;
    }
    Result write(const std::string& key, const std::string& secret, std::string* error) override {
        QKeychain::WritePasswordJob job(kService);
        job.setKey(QString::fromStdString(key));
        job.setTextData(QString::fromStdString(secret));
        return run(&job, error);
    }
    Result remove(const std::string& key, std::string* error) override {
        QKeychain::DeletePasswordJob job(kService);
        job.setKey(QString::fromStdString(key));
        const Result r = run(&job, error);
        return r == Result::kNotFound ? Result::kOk : r;
    }
    bool available(std::string* error) override {
        // Asked once: a store that is not there does not appear later.
        if (!checked_) {
            std::string secret;
            availableWhy_.clear();
            available_ =
                read("availability-check", &secret, &availableWhy_) != Result::kUnavailable;
            checked_ = true;
        }
        if (error) *error = availableWhy_;
        return available_;
    }

private:
    bool checked_ = false, available_ = false;
    std::string availableWhy_;
};

}  // namespace

std::unique_ptr<SecretStore> makeDesktopSecretStore() { return std::make_unique<DesktopStore>(); }
