#pragma once
// A secret store in memory, in the desktop store's place; `up` false makes
// it answer as a machine without one does.
#include <map>
#include <string>

#include "ui/secretStore.h"

class MemoryStore : public SecretStore {
public:
    Result read(const std::string& key, std::string* secret, std::string* error) override {
        if (!up) return down(error);
        auto it = secrets.find(key);
        if (it == secrets.end()) return Result::kNotFound;
        *secret = it->second;
        return Result::kOk;
    }
    Result write(const std::string& key, const std::string& secret, std::string* error) override {
        if (!up) return down(error);
        secrets[key] = secret;
        return Result::kOk;
    }
    Result remove(const std::string& key, std::string* error) override {
        if (!up) return down(error);
        secrets.erase(key);
        return Result::kOk;
    }
    bool available(std::string* error) override { return up || down(error) == Result::kOk; }

    bool up = true;
    std::map<std::string, std::string> secrets;

private:
    static Result down(std::string* error) {
        if (error) *error = "no secret store";
        return Result::kUnavailable;
    }
};
