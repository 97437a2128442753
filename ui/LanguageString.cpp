#include "LanguageString.h"

#include "language/LanguageText.h"
#include "language/TextEncoding.h"

QString LanguageString(std::string_view key) {
    return LanguageBytesToString(LanguageText::Text(key));
}

QString LanguageBytesToString(std::string_view text) {
    return QString::fromStdString(LanguageText::AsUtf8(text));
}
