#include "console/Plots.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "console/Failure.h"
#include "console/Gnuplot.h"
#include "files/OutputFile.h"

namespace kavro::console {

PlotWriter::PlotWriter(std::string dir, std::vector<std::string> formats, kavro::study::BinWidth width)
    : dir_(std::move(dir)), set_(std::move(formats), width) {
    if (::mkdir(dir_.c_str(), 0777) == 0) return;
    const int error = errno;
    struct stat st {};
    if (error != EEXIST) throw files::FileError(dir_, error);
    if (::stat(dir_.c_str(), &st) != 0) throw files::FileError(dir_, errno);
    if (!S_ISDIR(st.st_mode)) throw files::FileError(dir_, ENOTDIR);
}

std::string PlotWriter::Path(const std::string& name) const {
    return dir_.empty() || dir_.back() == '/' ? dir_ + name : dir_ + '/' + name;
}

void PlotWriter::Write(const kavro::plots::Figure& figure) {
    for (const kavro::plots::File& f : figure.files) {
        files::OutputFile out(Path(f.name));
        out.Write(f.contents);
        out.Commit();
    }
    scripts_.push_back(figure.script);
}

void PlotWriter::AddTrace(const std::string& trace, const kavro::study::Study& study) {
    Write(set_.Page(trace, study));
}

void PlotWriter::Finish(const std::vector<kavro::study::Run>& runs, bool grouped) {
    for (const kavro::plots::Figure& f : set_.StudyFigures(runs, grouped)) Write(f);
    if (scripts_.empty()) return;
    const std::string gnuplot = FindGnuplot();
    if (gnuplot.empty())
        throw Failure("gnuplot not found: the data and scripts are in " + dir_ + "; install gnuplot-nox to draw them");
    // One gnuplot for all; after a script fails, another for the rest.
    std::string first;
    std::vector<std::string> others;
    for (size_t at = 0; at < scripts_.size();) {
        const std::vector<std::string> rest(scripts_.begin() + static_cast<long>(at), scripts_.end());
        const GnuplotRun run = RunGnuplot(gnuplot, dir_, rest);
        at += run.done;
        if (!run.failed) continue;
        if (first.empty())
            first = "gnuplot failed on " + Path(scripts_[at]) + ": " + run.message;
        else
            others.push_back(Path(scripts_[at]));
        ++at;
    }
    if (first.empty()) return;
    if (!others.empty()) {
        first += " (and on " + std::to_string(others.size()) + " more:";
        for (const std::string& o : others) first += ' ' + o;
        first += ')';
    }
    throw Failure(first);
}

std::optional<std::vector<std::string>> ParsePlotFormats(std::string_view list) {
    std::vector<std::string> formats;
    for (size_t at = 0; at <= list.size();) {
        size_t end = list.find(',', at);
        if (end == std::string_view::npos) end = list.size();
        const std::string format(list.substr(at, end - at));
        if (format != "svg" && format != "pdf" && format != "png") return std::nullopt;
        if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
        at = end + 1;
    }
    return formats;
}

}  // namespace kavro::console
