// Writes what is made from the table of options at build time: the manual
// page from its template, and the zsh and bash completions.
//
//   kavro-convert-docs man TEMPLATE > kavro-convert.1
//   kavro-convert-docs zsh > _kavro-convert
//   kavro-convert-docs bash > kavro-convert.bash
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "console/OptionTable.h"

namespace kavro::console {

namespace {

std::string Roff(std::string_view name) {
    std::string out;
    for (char c : name) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

// One line of text out of the help's lines.
std::string OneLine(std::string_view help) {
    std::string out;
    for (char c : help) out += c == '\n' ? ' ' : c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string ManualOptions() {
    std::string out;
    for (const OptionSpec& o : OptionTable()) {
        const std::string longName = "\\-\\-" + Roff(o.longName);
        const std::string arg(o.argument);
        out += ".TP\n";
        if (o.shortName && !arg.empty())
            out += ".BI \\-" + std::string(1, o.shortName) + " \" " + arg + "\" \"\\fR, \\fP" + longName + "=\" " + arg + "\n";
        else if (o.shortName)
            out += ".BR \\-" + std::string(1, o.shortName) + " \", \" " + longName + "\n";
        else if (!arg.empty())
            out += ".BI " + longName + "= " + arg + "\n";
        else
            out += ".B " + longName + "\n";
        out += std::string(o.manual);
    }
    return out;
}

int Man(const char* templatePath) {
    std::ifstream in(templatePath);
    if (!in) {
        std::fprintf(stderr, "kavro-convert-docs: cannot read %s\n", templatePath);
        return 1;
    }
    for (std::string line; std::getline(in, line);) std::cout << (line == "@OPTIONS@" ? ManualOptions() : line + "\n");
    return 0;
}

// zsh: the description in brackets, with [ and ] escaped.
std::string ZshText(std::string_view help) {
    std::string out;
    for (char c : OneLine(help)) {
        if (c == '[' || c == ']' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

int Zsh() {
    std::cout << "#compdef kavro-convert\n"
                 "# zsh completion for kavro-convert: its options, and traces for the arguments.\n"
                 "# Made from kavro-convert's table of options; do not edit.\n"
                 "_arguments -S \\\n";
    for (const OptionSpec& o : OptionTable()) {
        const std::string longName = "--" + std::string(o.longName);
        const std::string shortName = o.shortName ? std::string("-") + o.shortName : "";
        const bool ends = o.id == OptionId::Help || o.id == OptionId::Version;
        std::string value;
        if (!o.argument.empty()) {
            const std::string what = o.completes == Completes::File     ? "_files"
                                     : o.completes == Completes::Folder ? "_files -/"
                                                                        : " ";
            value = ":" + std::string(o.argument) + ":" + what;
        }
        const std::string text = "[" + ZshText(o.help) + "]";
        if (!shortName.empty())
            std::cout << "    '(" << (ends ? "- *" : longName) << ")" << shortName << (o.argument.empty() ? "" : "+")
                      << text << value << "' \\\n";
        std::cout << "    '(" << (ends ? "- *" : shortName) << ")" << longName << (o.argument.empty() ? "" : "=")
                  << text << value << "' \\\n";
    }
    std::cout << "    '*:trace:_files -g \"*.(tr|tr.gz)(-.)\"'\n";
    return 0;
}

int Bash() {
    std::string files, folders, values, names;
    for (const OptionSpec& o : OptionTable()) {
        const std::string longName = "--" + std::string(o.longName);
        const std::string spelled = o.shortName ? std::string("-") + o.shortName + " | " + longName : longName;
        names += (names.empty() ? "" : " ") + (o.shortName ? std::string("-") + o.shortName + " " : "") + longName;
        if (o.argument.empty()) continue;
        std::string& list = o.completes == Completes::File     ? files
                            : o.completes == Completes::Folder ? folders
                                                               : values;
        list += (list.empty() ? "" : " | ") + spelled;
    }
    std::cout << "# bash completion for kavro-convert: its options, and traces (*.tr, *.tr.gz)\n"
                 "# and folders for the arguments. Made from kavro-convert's table of\n"
                 "# options; do not edit.\n"
                 "_kavro_convert() {\n"
                 "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
                 "    COMPREPLY=()\n"
                 "    # Bash splits \"--csv=FILE\" at the \"=\" (COMP_WORDBREAKS) into \"--csv\",\n"
                 "    # \"=\" and FILE: the value completes as it does after a space.\n"
                 "    if [[ $cur == = ]]; then\n"
                 "        cur=\n"
                 "    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then\n"
                 "        prev=${COMP_WORDS[COMP_CWORD - 2]}\n"
                 "    fi\n"
                 "    case $prev in\n"
                 "        " << files << ")\n"
                 "            compopt -o filenames 2>/dev/null\n"
                 "            mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
                 "            return ;;\n"
                 "        " << folders << ")\n"
                 "            compopt -o filenames 2>/dev/null\n"
                 "            mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")\n"
                 "            return ;;\n"
                 "        " << values << ") return ;;\n"
                 "    esac\n"
                 "    if [[ $cur == -* ]]; then\n"
                 "        mapfile -t COMPREPLY < <(compgen -W \"" << names << "\" -- \"$cur\")\n"
                 "        return\n"
                 "    fi\n"
                 "    compopt -o filenames 2>/dev/null\n"
                 "    mapfile -t COMPREPLY < <(compgen -d -- \"$cur\"\n"
                 "        compgen -f -X '!*.tr' -- \"$cur\"\n"
                 "        compgen -f -X '!*.tr.gz' -- \"$cur\")\n"
                 "}\n"
                 "complete -F _kavro_convert kavro-convert\n";
    return 0;
}

}  // namespace

int Main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "man" && argc == 3) return Man(argv[2]);
    if (what == "zsh" && argc == 2) return Zsh();
    if (what == "bash" && argc == 2) return Bash();
    std::fprintf(stderr, "usage: kavro-convert-docs man TEMPLATE | zsh | bash\n");
    return 2;
}

}  // namespace kavro::console

int main(int argc, char** argv) { return kavro::console::Main(argc, argv); }
