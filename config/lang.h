#pragma once
#include "config/langTypes.h"

// Language ids as the configuration stores them.
enum : int {
    kLangItalian = 1,
    kLangEnglish = 2,
    kLangFrench = 3,
    kLangGerman = 4,
    kLangSpanish = 5
};

// Fills the table with the texts of one language. Any other id changes
// nothing: the front ends refuse it before, with their own message.
// Always returns 1.
int setLang(LangStruct* table, int lang);

// The built-in table of one language, or null for an unknown id.
const LangStruct* langTable(int lang);

// A language's own name in Windows-1252 ("English", "Italiano"), or null
// for an unknown id.
const char* langName(int lang);

// A language's two-letter code ("it", "en", "fr", "de", "es"), or null for
// an unknown id; and the id of a code, 0 for an unknown one.
const char* langCode(int lang);
int langByCode(const char* code);

extern LangStruct MsgLang;
