// The built-in word lists as compiled into the program: the names, the records
// every other part relies on, and the rules a learner's card depends on.
#include "store/BuiltinLists.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Written next to the font by the build; the tests run in the build directory.
constexpr char kPhoneticCodePath[] = "./res/phonetic_code.tsv";

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Strict conversion: nothing when any byte does not convert, so a broken
// meaning cannot hide behind a replacement character.
std::optional<std::string> Convert(std::string_view in, const char* to, const char* from)
{
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::unique_ptr<void, IconvCloser> cd(raw);
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(raw, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0)
        return std::nullopt;
    if (iconv(raw, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::optional<std::string> ToCp932(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }
std::optional<std::string> ToUtf8(std::string_view cp932) { return Convert(cp932, "UTF-8", "CP932"); }

const std::vector<std::string> kListNames = {
    "DUO", "HS1", "HS2", "HS3", "MS1", "MS2", "MS3", "STEP_Lv1",
    "STEP_Lv2hard", "STEP_Lv2nom", "STEP_TokyoUniv", "TOEFL", "TOEIC",
};

int ListIndex(const std::string& name)
{
    for (int k = 0; k < kBuiltinListCount; ++k)
        if (name == kBuiltinListNames[k])
            return k;
    return -1;
}

const BuiltinWordRecord& Record(int list, int number)
{
    return kBuiltinWords[list * kBuiltinWordsPerList + number - 1];
}

std::string Where(int index)
{
    return kListNames[static_cast<size_t>(index / kBuiltinWordsPerList)] + " " +
           std::to_string(index % kBuiltinWordsPerList + 1) + " " + kBuiltinWords[index].word;
}

// Code character -> IPA symbol (UTF-8), from the one table the font is built from.
std::map<char, std::string> ReadPhoneticCode()
{
    std::map<char, std::string> code;
    std::ifstream in(kPhoneticCodePath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("code\t", 0) == 0)
            continue;
        const size_t tab = line.find('\t');
        const size_t next = line.find('\t', tab + 1);
        if (tab == 1 && next != std::string::npos)
            code[line[0]] = line.substr(2, next - 2);
    }
    return code;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

} // namespace

TEST(BuiltinLists, Names_ThirteenInFixedOrder)
{
    std::vector<std::string> names(kBuiltinListNames, kBuiltinListNames + kBuiltinListCount);
    EXPECT_EQ(names, kListNames);
    EXPECT_EQ(kBuiltinWordsPerList, 30);
}

TEST(BuiltinLists, Records_AllFieldsPresentForEveryWord)
{
    for (int i = 0; i < kBuiltinListCount * kBuiltinWordsPerList; ++i) {
        const BuiltinWordRecord& r = kBuiltinWords[i];
        ASSERT_TRUE(r.word && r.meaning && r.phonetic) << "record " << i;
        EXPECT_TRUE(*r.word && *r.meaning && *r.phonetic) << "record " << i;
    }
}

TEST(BuiltinLists, FixedRecords_MatchByteForByteInCp932)
{
    struct Fixed {
        const char* list;
        int number;
        const char* word;
        const char* meaningUtf8; // nullptr: only the word is fixed
        const char* phonetic;
    };
    const Fixed fixed[] = {
        {"DUO", 1, "absent", "欠席の", "['5bs3nt, 5b'sent]"},
        {"HS1", 1, "accept", "(動)…を受け入れる", "[3k'sept]"},
        {"MS1", 1, "egg", "(名)卵", "[eg]"},
        {"MS1", 2, "bag", nullptr, nullptr},
        {"MS1", 3, "rose", nullptr, nullptr},
        {"MS1", 4, "chair", nullptr, nullptr},
        {"TOEFL", 1, "abdomen", "腹部", "[5b'd3umen, '5bd3men]"},
    };
    for (const Fixed& f : fixed) {
        SCOPED_TRACE(std::string(f.list) + " " + std::to_string(f.number));
        const int list = ListIndex(f.list);
        ASSERT_GE(list, 0);
        const BuiltinWordRecord& r = Record(list, f.number);
        EXPECT_STREQ(r.word, f.word);
        if (f.meaningUtf8) {
            const std::optional<std::string> expected = ToCp932(f.meaningUtf8);
            ASSERT_TRUE(expected);
            EXPECT_EQ(std::string(r.meaning), *expected);
            EXPECT_STREQ(r.phonetic, f.phonetic);
        }
    }
}

TEST(BuiltinLists, Abandon_StandsInHs2Step2NomAndToeic)
{
    std::set<std::string> lists;
    for (int i = 0; i < kBuiltinListCount * kBuiltinWordsPerList; ++i)
        if (std::strcmp(kBuiltinWords[i].word, "abandon") == 0)
            lists.insert(kListNames[static_cast<size_t>(i / kBuiltinWordsPerList)]);
    for (const char* name : {"HS2", "STEP_Lv2nom", "TOEIC"})
        EXPECT_EQ(lists.count(name), 1u) << name;
}

// Words are typed into an edit that refuses digits and punctuation, are the
// keys of the list's table, and must fit the revealed card.
TEST(BuiltinLists, Words_TypeableAtMost17BytesAndUniqueWithinList)
{
    std::vector<std::string> faults;
    for (int list = 0; list < kBuiltinListCount; ++list) {
        std::map<std::string, int> seen;
        for (int number = 1; number <= kBuiltinWordsPerList; ++number) {
            const int index = list * kBuiltinWordsPerList + number - 1;
            const std::string word = kBuiltinWords[index].word;
            bool typeable = !word.empty() && IsAsciiLetter(word.front()) && IsAsciiLetter(word.back());
            for (size_t i = 1; i < word.size(); ++i) {
                const bool separator = word[i] == ' ' || word[i] == '-';
                if (!IsAsciiLetter(word[i]) && !(separator && IsAsciiLetter(word[i - 1])))
                    typeable = false;
            }
            if (!typeable)
                faults.push_back(Where(index) + ": not letters with single spaces or hyphens");
            if (word.size() > 17)
                faults.push_back(Where(index) + ": longer than 17 bytes");
            std::string key;
            for (char c : word)
                key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            if (!seen.emplace(key, number).second)
                faults.push_back(Where(index) + ": repeats number " + std::to_string(seen[key]));
        }
    }
    EXPECT_EQ(faults, std::vector<std::string>{});
}

TEST(BuiltinLists, Meanings_SurviveCp932ToUtf8AndBack)
{
    std::vector<std::string> faults;
    for (int i = 0; i < kBuiltinListCount * kBuiltinWordsPerList; ++i) {
        const std::string cp932 = kBuiltinWords[i].meaning;
        const std::optional<std::string> utf8 = ToUtf8(cp932);
        if (!utf8) {
            faults.push_back(Where(i) + ": meaning is not valid CP932");
            continue;
        }
        const std::optional<std::string> back = ToCp932(*utf8);
        if (!back || *back != cp932)
            faults.push_back(Where(i) + ": meaning " + *utf8 + " changes in CP932 and back");
        for (unsigned char c : *utf8)
            if (c < 0x20 || c == 0x7F)
                faults.push_back(Where(i) + ": meaning holds a control character");
        if (utf8->find("\xEF\xBF\xBD") != std::string::npos)
            faults.push_back(Where(i) + ": meaning holds a replacement mark");
    }
    EXPECT_EQ(faults, std::vector<std::string>{});
}

// The code must stay apart from what a word can contain, because the revealed
// card draws the word and its transcription in the same font.
TEST(BuiltinLists, PhoneticCode_UsesOnlyCharactersTheAnswerEditRefuses)
{
    const std::map<char, std::string> code = ReadPhoneticCode();
    ASSERT_FALSE(code.empty()) << "cannot read " << kPhoneticCodePath;
    EXPECT_EQ(code.at('3'), "ə");
    EXPECT_EQ(code.at('5'), "æ");
    EXPECT_EQ(code.at('\''), "ˈ");
    const std::string refused = "0123456789\"'./:;<>?\\|";
    for (const auto& [character, ipa] : code)
        EXPECT_NE(refused.find(character), std::string::npos) << "code character " << character;
}

TEST(BuiltinLists, Transcriptions_BracketedVariantsOfCodeCharactersAndLetters)
{
    const std::map<char, std::string> code = ReadPhoneticCode();
    ASSERT_FALSE(code.empty()) << "cannot read " << kPhoneticCodePath;
    // Capitals and c, q, x, y never stand for a sound in this style: seeing one
    // means spelling leaked into a transcription.
    const std::string letters = "abdefghijklmnoprstuvwz";
    std::vector<std::string> faults;
    for (int i = 0; i < kBuiltinListCount * kBuiltinWordsPerList; ++i) {
        const std::string text = kBuiltinWords[i].phonetic;
        if (text.size() < 3 || text.front() != '[' || text.back() != ']') {
            faults.push_back(Where(i) + ": " + text + " is not enclosed in [ ]");
            continue;
        }
        const std::string body = text.substr(1, text.size() - 2);
        size_t start = 0;
        while (true) {
            const size_t end = body.find(", ", start);
            const std::string variant = body.substr(start, end == std::string::npos ? end : end - start);
            bool sound = !variant.empty() && variant.front() != ' ' && variant.back() != ' ';
            for (char c : variant)
                if (!code.count(c) && letters.find(c) == std::string::npos && c != ' ' && c != '-')
                    sound = false;
            if (!sound)
                faults.push_back(Where(i) + ": " + text + " has a variant with other characters");
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
    }
    EXPECT_EQ(faults, std::vector<std::string>{});
}
