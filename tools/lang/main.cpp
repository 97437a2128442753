// zelnor2-lang: encodes and decodes the scrambled texts of the language file
// and builds the language file from its plain, readable form.

#include "PlainTexts.h"
#include "language/Scramble.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: zelnor2-lang encode KEY TEXT     print TEXT scrambled for KEY\n"
    "       zelnor2-lang decode KEY VALUE    print the text that VALUE holds for KEY\n"
    "       zelnor2-lang build PLAIN... OUT  write the language file OUT from plain files\n"
    "\n"
    "A plain file has [Section] lines and KEY = text lines. Section \"Main\" is\n"
    "copied as it is (its CurrentLanguage names the language in use); the texts\n"
    "of every other section are scrambled.\n";

int Build(const std::vector<std::string>& inputs, const std::string& output) {
    std::vector<langtool::PlainSection> sections;
    for (const std::string& input : inputs) {
        std::string error;
        if (!langtool::ReadPlainFile(input, sections, error)) {
            std::cerr << "zelnor2-lang: " << error << '\n';
            return 1;
        }
    }
    const std::string temporary = output + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        for (const langtool::PlainSection& section : sections) {
            file << '[' << section.name << "]\r\n";
            const bool plain = section.name == "Main";
            for (const auto& [key, text] : section.entries) {
                file << key << '='
                     << (plain ? text : language::Scramble(text, language::ScrambleKey(key)))
                     << "\r\n";
            }
            file << "\r\n";
        }
        file.flush();
        if (!file) {
            std::cerr << "zelnor2-lang: cannot write " << temporary << '\n';
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::cerr << "zelnor2-lang: cannot replace " << output << '\n';
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "encode") {
        std::cout << language::Scramble(args[2], language::ScrambleKey(args[1])) << '\n';
        return 0;
    }
    if (args.size() == 3 && args[0] == "decode") {
        if (args[2].size() % 2 != 0) {
            std::cerr << "zelnor2-lang: a stored value has an even number of digits\n";
            return 1;
        }
        std::cout << language::Unscramble(args[2], language::ScrambleKey(args[1])) << '\n';
        return 0;
    }
    if (args.size() >= 3 && args[0] == "build") {
        return Build(std::vector<std::string>(args.begin() + 1, args.end() - 1), args.back());
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    std::cerr << kUsage;
    return 64;
}
