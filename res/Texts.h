#pragma once
// Texts that more than one room of the program shows. They stand below
// every room that shows them, so that no room includes another for its words.

// The chosen list has no table in save.db: the main dialog's Start and
// count, the level dialog and the statistics browser say so alike.
inline constexpr char kNoSuchWordListText[] = "no such wordlist!";
