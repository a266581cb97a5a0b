#pragma once
// A figure as files to write into the plots folder: its data and the gnuplot
// script that draws it, named relative to that folder.
#include <string>
#include <vector>

namespace kavro::plots {

struct File {
    std::string name;
    std::string contents;
};

struct Figure {
    std::string script;       // the script's name, one of the files
    std::vector<File> files;  // the data first, the script last
};

}  // namespace kavro::plots
