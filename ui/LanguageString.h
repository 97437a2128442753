#pragma once

#include <QString>
#include <string_view>

// A text of the current language for the widgets.
QString LanguageString(std::string_view key);

// Text that came from the language file, read as UTF-8 where it is valid
// UTF-8 and as Windows-1252 otherwise.
QString LanguageBytesToString(std::string_view text);
