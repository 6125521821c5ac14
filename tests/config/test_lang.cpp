#include <gtest/gtest.h>

#include <cstring>

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
