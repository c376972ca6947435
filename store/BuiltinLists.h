#pragma once
// The word lists the program teaches are part of it, so a fresh save.db needs
// nothing but the program. The tables are generated at build time from
// store/wordlists.tsv; meanings are CP932 bytes like every other text in
// memory, words and transcriptions are ASCII (transcriptions in the code of
// the phonetic font, see res/phonetic_code.tsv).
struct BuiltinWordRecord { const char* word; const char* meaning; const char* phonetic; };
inline constexpr int kBuiltinListCount = 13;
inline constexpr int kBuiltinWordsPerList = 30;
extern const char* const kBuiltinListNames[kBuiltinListCount];
extern const BuiltinWordRecord kBuiltinWords[kBuiltinListCount * kBuiltinWordsPerList];
// The code characters of res/phonetic_code.tsv that the transcriptions above
// use, once each: what the phonetic font must draw.
extern const char kPhoneticCodeCharacters[];
