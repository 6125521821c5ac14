#include <gtest/gtest.h>

#include <cstring>

#include "config/lang.h"
#include "platform/memoryPlatform.h"

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

// A known id replaces every field and ticks its menu entry; an unknown one
// changes nothing and shows nothing.
TEST(Lang, SwitchReplacesEveryFieldAndTicksTheMenu) {
    MemoryPlatform ui;
    T_Widget w;
    createWidgetHandles(&w, &ui);
    HCtl menu[5];
    for (int i = 0; i < 5; ++i) menu[i] = ui.createControl("lang" + std::to_string(200 + i));
    LangStruct t;
    std::memset(&t, 'X', sizeof t);
    for (int lang : std::initializer_list<int>{kLangGerman, kLangItalian, kLangEnglish,
                                               kLangSpanish, kLangFrench, 0, 6}) {
        const bool known = lang >= 1 && lang <= 5;
        const LangStruct before = t;
        EXPECT_EQ(setLang(&t, lang, menu, &w), 1);
        EXPECT_EQ(differingFields(t, known ? *langTable(lang) : before), "") << lang;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(menu[i]->checked, i == (known ? lang : kLangFrench) - 1) << lang << " " << i;
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.destroyed.empty());
    LangStruct none{};
    EXPECT_EQ(setLang(&none, 9, nullptr, nullptr), 1);
    EXPECT_EQ(none.msgError[0], '\0');
}

}  // namespace
