#include "LanguageString.h"

#include "language/LanguageText.h"

QString LanguageString(std::string_view key) {
    return QString::fromStdString(LanguageText::Text(key));
}
