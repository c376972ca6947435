#pragma once
#include <cstdint>
#include <string>

#include "store/WordStore.h"

// What the drill bar's card reads, in CP932 bytes: the word immediately
// followed by its phonetic once revealed, otherwise the meaning with the
// card's place in the pass, "(5/30)".
std::string CardText(const WordCard& card, bool revealed, std::int32_t position, int count);

// A typed answer against the card's word: the same length in bytes and
// equal when the case of single-byte letters is ignored.
bool SameSpelling(const std::string& typed, const std::string& word);
