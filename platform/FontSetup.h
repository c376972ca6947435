#pragma once
class QString;

// The face the phonetic font file carries and the bars ask for by name.
inline constexpr char kPhoneticFace[] = "triphibian";

// The one line on stderr when the phonetic font cannot be used: the file,
// why, and what the learner sees instead.
inline constexpr char kPhoneticFontProblem[] = "vokabo: %s: %s; transcriptions are shown as codes in the Gothic face\n";
inline constexpr char kPhoneticFontDrawsNothing[] = "not a font named triphibian that draws the phonetic symbols";
inline constexpr char kPhoneticFontRefused[] = "the font database refused it";

// Registers the phonetic font file at `path` if it is a face named
// kPhoneticFace that draws every code character of the built-in
// transcriptions. Otherwise registers nothing, says so in one line on
// stderr and lets the face's name stand for the bars' Gothic face, so that a
// revealed card shows the transcription's codes rather than nothing. True
// when the file was registered. Call once, before the first font is made.
bool RegisterPhoneticFont(const QString& path);

// The dialog faces are those of the Windows program, "MS Gothic" for the bars
// and "System" for the dialogs; neither exists on a Linux desktop. Maps them
// to installed Japanese-capable fonts. Call once, before the first font is
// made (the drawing objects resolve their faces when they are created).
void InstallFontSubstitutions();

// The face that `face` is drawn in here: `face` itself where it is
// installed, else the first installed of its substitutes, else `face`.
// Fonts are made of this face, not of the Windows one: Qt finds a missing
// face only after sorting every font of the system for it, once per size.
QString InstalledFace(const QString& face);
