#pragma once

#include <QString>
#include <string_view>

// A text of the current language for the widgets (the language file holds
// UTF-8).
QString LanguageString(std::string_view key);
