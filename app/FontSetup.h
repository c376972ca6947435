#pragma once

// The dialog faces are those of the Windows program, "MS Gothic" for the bars
// and "System" for the dialogs; neither exists on a Linux desktop. Maps them
// to installed Japanese-capable fonts. Call once, before the first font is
// made (the drawing objects resolve their faces when they are created).
void InstallFontSubstitutions();
