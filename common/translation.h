#pragma once

// Messages in the user's language: Gegu's texts are written in English and translated through
// Qt's translation system; the translations are compiled into the programs.

namespace gegu {

enum class Language { English, Chinese };

// The language the user reads: the first of the user's languages (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG on Unix; the system's user-interface languages on Windows) that is Chinese
// or English; English when none is.
Language userLanguage();

// Translates the application's messages into the language from now on (English: as written).
// Needs the application object; false when the translation cannot be loaded.
bool useLanguage(Language language);

} // namespace gegu
