// Prints the language file this program finds, then the current language.
// With --replace-self it then replaces its own file, as an upgrade does while
// the program runs, and prints both again.
#include "language/LanguageText.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

void Show() {
    std::cout << LanguageText::LanguageFilePath() << '\n'
              << LanguageText::Lookup("Main", "CurrentLanguage", false) << '\n';
}

} // namespace

int main(int argc, char** argv) {
    Show();
    if (argc > 1 && std::string(argv[1]) == "--replace-self") {
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
        const std::filesystem::path fresh = self.string() + ".new";
        std::filesystem::copy_file(self, fresh);
        std::filesystem::rename(fresh, self);
        Show();
    }
    return 0;
}
