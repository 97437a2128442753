// Prints the language file this program finds, then the current language.
#include "language/LanguageText.h"

#include <iostream>

int main() {
    std::cout << LanguageText::LanguageFilePath() << '\n'
              << LanguageText::Lookup("Main", "CurrentLanguage", false) << '\n';
    return 0;
}
