#pragma once
// Where the window keeps the channel database's password: the desktop's
// secret store, never the settings file. Behind an interface of our own so
// that tests put one in memory in its place.
#include <memory>
#include <string>

class SecretStore {
public:
    enum class Result { kOk, kNotFound, kUnavailable };
    virtual ~SecretStore() = default;
    // *error: the store's reason when it is unavailable.
    virtual Result read(const std::string& key, std::string* secret, std::string* error) = 0;
    virtual Result write(const std::string& key, const std::string& secret, std::string* error) = 0;
    virtual Result remove(const std::string& key, std::string* error) = 0;
    // Whether a store answers at all (none runs without a desktop session).
    virtual bool available(std::string* error) = 0;
};

// The desktop's secret store (QtKeychain), the program's own.
std::unique_ptr<SecretStore> makeDesktopSecretStore();
