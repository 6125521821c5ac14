#pragma once
// A strict JSON reader for the tests of the tool's JSON report: the whole
// text must be one value, and any syntax fault fails the parse.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "config/codepage.h"

struct Json {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    // A missing member or item reads as null.
    const Json& operator[](const std::string& key) const {
        for (const auto& m : members)
            if (m.first == key) return m.second;
        return none();
    }
    const Json& operator[](size_t i) const { return i < items.size() ? items[i] : none(); }
    static const Json& none() {
        static const Json n;
        return n;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}
    bool parse(Json* out) {
        if (!value(out)) return false;
        space();
        return i_ == s_.size();
    }

private:
    void space() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
            ++i_;
    }
    bool eat(char c) {
        space();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    bool word(const char* w) {
        std::string t(w);
        if (s_.compare(i_, t.size(), t) != 0) return false;
        i_ += t.size();
        return true;
    }
    bool hex4(uint32_t* v) {
        if (i_ + 4 > s_.size()) return false;
        *v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return false;
            *v = *v * 16 + static_cast<uint32_t>(d);
        }
        return true;
    }
    bool string(std::string* out) {
        if (!eat('"')) return false;
        while (i_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/': *out += e; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'u': {
                uint32_t cp;
                if (!hex4(&cp)) return false;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    uint32_t lo;
                    if (!word("\\u") || !hex4(&lo) || lo < 0xDC00 || lo > 0xDFFF) return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                }
                appendUtf8(*out, cp);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool value(Json* v) {
        space();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == '{') {
            ++i_;
            v->kind = Json::kObject;
            if (eat('}')) return true;
            do {
                std::pair<std::string, Json> m;
                if (!string(&m.first) || !eat(':') || !value(&m.second)) return false;
                v->members.push_back(std::move(m));
            } while (eat(','));
            return eat('}');
        }
        if (c == '[') {
            ++i_;
            v->kind = Json::kArray;
            if (eat(']')) return true;
            do {
                v->items.emplace_back();
                if (!value(&v->items.back())) return false;
            } while (eat(','));
            return eat(']');
        }
        if (c == '"') {
            v->kind = Json::kString;
            return string(&v->text);
        }
        if (word("true")) return v->kind = Json::kBool, v->boolean = true, true;
        if (word("false")) return v->kind = Json::kBool, true;
        if (word("null")) return true;
        // Numbers: -?digits(.digits)?([eE][+-]?digits)?
        size_t start = i_;
        if (s_[i_] == '-') ++i_;
        auto digits = [&] {
            size_t d = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
            return i_ > d;
        };
        if (!digits()) return false;
        if (i_ < s_.size() && s_[i_] == '.' && (++i_, !digits())) return false;
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
            if (!digits()) return false;
        }
        v->kind = Json::kNumber;
        v->number = std::strtod(s_.substr(start, i_ - start).c_str(), nullptr);
        return true;
    }

    const std::string& s_;
    size_t i_ = 0;
};
