#pragma once

// Fills WordListRegistry from the built-in lists, reads the stored ranges
// from control, removes lists that are no longer built in, then sets
// listsLoaded and controlLoaded. Returns 0, or the result code of a failed
// COMMIT; the flags are set either way.
int PreloadThread();

// The preload's first step alone: the thirteen built-in lists into the
// registry, every card at level 0 and every list not listed.
void LoadBuiltinLists();
