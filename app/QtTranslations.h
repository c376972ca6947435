#pragma once

class QLocale;

// Qt's own texts, the standard buttons of the message boxes and the context
// menus of the edits and lists, follow the desktop's language through Qt's
// translations, as a Japanese system showed its own on the original. The
// program's own texts are Japanese whatever the locale.
//
// Replaces any translation an earlier call installed; returns false (Qt's
// English stays) when no qtbase translation exists for the locale.
bool InstallQtTranslations(const QLocale& locale);
