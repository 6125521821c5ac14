#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "config/lang.h"

namespace {

const int kAllLangs[] = {kLangItalian, kLangEnglish, kLangFrench, kLangGerman, kLangSpanish};

// Field names whose bytes differ between two tables, over the whole field.
std::string differingFields(const LangStruct& a, const LangStruct& b) {
    std::string out;
#define VA_DIFF(f) \
    if (std::memcmp(a.f, b.f, sizeof a.f) != 0) out += #f " ";
    VA_LANG_FIELDS(VA_DIFF)
#undef VA_DIFF
    return out;
}

// The conversions of a text in order ("%d", "%5.1f", "%%"), then its Qt
// arguments ("%1") sorted, as a language may place those in its own order.
// A '%' that starts neither is kept as "%?".
std::string argumentsOf(const char* s) {
    std::string printfArgs;
    std::vector<std::string> qtArgs;
    for (const char* p = s; *p; ++p) {
        if (*p != '%') continue;
        const char* q = p + 1;
        while (*q && std::strchr("-+ #0", *q)) ++q;
        const char* digits = q;
        while (*q >= '0' && *q <= '9') ++q;
        const char* afterDigits = q;
        if (*q == '.')
            for (++q; *q >= '0' && *q <= '9';) ++q;
        while (*q && std::strchr("hlLzjt", *q)) ++q;
        if (*q && std::strchr("diouxXeEfgGcsp%", *q)) {
            printfArgs.append(p, q + 1) += ' ';
            p = q;
        } else if (afterDigits > digits && digits == p + 1) {
            qtArgs.emplace_back(p, afterDigits);
            p = afterDigits - 1;
        } else {
            printfArgs += "%? ";
        }
    }
    std::sort(qtArgs.begin(), qtArgs.end());
    for (const std::string& a : qtArgs) printfArgs += a + ' ';
    return printfArgs;
}

TEST(Lang, EveryLanguageFormatsWithTheEnglishArguments) {
    EXPECT_EQ(argumentsOf("%2 of %u, 100%% %-3lu %1 %"), "%u %% %-3lu %? %1 %2 ");
    const LangStruct* en = langTable(kLangEnglish);
    for (int lang : kAllLangs) {
        const LangStruct* t = langTable(lang);
#define VA_ARGS(f) EXPECT_EQ(argumentsOf(t->f), argumentsOf(en->f)) << "lang " << lang << " " #f;
        VA_LANG_FIELDS(VA_ARGS)
#undef VA_ARGS
    }
}

TEST(Lang, EveryTextFilledAndTerminatedInItsField) {
    for (int lang : kAllLangs) {
        const LangStruct* t = langTable(lang);
        ASSERT_NE(t, nullptr) << lang;
#define VA_CHECK(f)                                                             \
    {                                                                           \
        size_t n = strnlen(t->f, sizeof t->f);                                  \
        EXPECT_LT(n, sizeof t->f) << "lang " << lang << " " #f " unterminated"; \
        EXPECT_GT(n, 0u) << "lang " << lang << " " #f " empty";                 \
    }
        VA_LANG_FIELDS(VA_CHECK)
#undef VA_CHECK
    }
    EXPECT_EQ(langTable(0), nullptr);
    EXPECT_EQ(langTable(6), nullptr);
    EXPECT_EQ(langTable(-1), nullptr);
}

TEST(Lang, SwitchReplacesEveryFieldAndAnUnknownIdChangesNothing) {
    LangStruct t;
    std::memset(&t, 'X', sizeof t);
    EXPECT_EQ(setLang(&t, kLangGerman), 1);
    EXPECT_EQ(differingFields(t, *langTable(kLangGerman)), "");
    EXPECT_EQ(setLang(&t, kLangItalian), 1);
    EXPECT_EQ(differingFields(t, *langTable(kLangItalian)), "");
    for (int bad : {0, 6, 9}) {
        const LangStruct before = t;
        EXPECT_EQ(setLang(&t, bad), 1);
        EXPECT_EQ(differingFields(t, before), "") << bad;
    }
}

}  // namespace
