#pragma once
// A second, independent reading of the range rules of Start, for tests only:
// numbers parsed by hand, the unsigned comparison spelled out as two signed
// ones, texts typed out rather than taken from the program.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct ReferenceRange {
    bool accepted = false;
    long long first = 0;
    long long last = 0;
    std::vector<std::string> messages;
};

inline long long ReferenceNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), 1LL << 40);
    return std::clamp(negative ? -value : value, static_cast<long long>(INT32_MIN), static_cast<long long>(INT32_MAX));
}

inline ReferenceRange ReferenceStartRange(const std::string& firstText, const std::string& lastText, long long n)
{
    ReferenceRange r;
    if (n == 0) {
        r.messages = {"wordlist empty!"};
        return r;
    }
    r.first = firstText.empty() ? 1 : ReferenceNumber(firstText);
    r.last = lastText.empty() ? n : ReferenceNumber(lastText);
    if (r.first < 1 || r.last < 0 || r.last > n + 1) {
        r.messages.push_back("selection out of range, select all");
        r.first = 1;
        r.last = n;
    }
    if (r.last < r.first) {
        r.messages.push_back("0 words selected select all");
        r.first = 1;
        r.last = n;
    }
    if (r.first == r.last) {
        r.messages.push_back("wordlist empty!");
        return r;
    }
    r.accepted = true;
    return r;
}
