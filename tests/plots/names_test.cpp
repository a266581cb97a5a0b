// File names from trace names: safe as they are, and one file per figure.
#include <gtest/gtest.h>

#include <set>

#include "plots/PlotSet.h"
#include "console/Plots.h"

using namespace kavro::console;

namespace {

namespace plots = kavro::plots;

TEST(Names, LabelsAndStemsFromTraceNames) {
    const struct {
        const char* trace;
        const char* label;
        const char* stem;
    } cases[] = {
        {"runs/aodv-50.tr.gz", "aodv-50", "aodv-50"},
        {"aodv 50 (b).tr", "aodv 50 (b)", "aodv_50__b_"},
        {"a.tr.tr", "a.tr", "a.tr"},
        {"a.gz", "a.gz", "a.gz"},
        {"runs/-x.tr", "-x", "_x"},
        {".hidden.tr", ".hidden", "_hidden"},
        {"it's `x` $(y) @z\n.tr", "it's `x` $(y) @z\n", "it_s__x____y___z_"},
        {"caf\xe9+1.tr", "caf\xe9+1", "caf_+1"},
        {".tr", ".tr", "_tr"},
        {"runs/", "", "trace"},
        {"-", "standard input", "standard_input"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plots::TraceLabel(c.trace), c.label) << c.trace;
        EXPECT_EQ(plots::SafeStem(plots::TraceLabel(c.trace)), c.stem) << c.trace;
    }
    EXPECT_EQ(plots::SafeStem(std::string(300, 'a')).size(), 200u);
}

// Two traces of one name, names apart only in case or in unsafe bytes, a
// trace named like a study figure or like another's renamed page.
TEST(Names, EveryFigureHasFilesOfItsOwn) {
    plots::PlotSet set({"svg", "pdf"}, *kavro::study::ParseBinWidth("1"));
    const std::pair<const char*, const char*> traces[] = {
        {"a/x.tr", "x.gp"},           {"b/x.tr.gz", "x-2.gp"},      {"X.tr", "X-3.gp"},
        {"x-2.tr", "x-2-2.gp"},       {"a b.tr", "a_b.gp"},         {"a_b.tr", "a_b-2.gp"},
        {"study-pdr.tr", "study-pdr-2.gp"}, {"x.series.tr", "x.series.gp"},
    };
    std::vector<plots::Figure> figures;
    for (const auto& [trace, script] : traces) {
        figures.push_back(set.Page(trace, {}));
        EXPECT_EQ(figures.back().script, script) << trace;
    }
    for (plots::Figure& f : set.StudyFigures({{"g", {}}}, true)) figures.push_back(std::move(f));
    std::set<std::string> names;
    for (const plots::Figure& f : figures) {
        std::vector<std::string> all;
        for (const plots::File& file : f.files) all.push_back(file.name);
        const std::string stem = f.script.substr(0, f.script.size() - 3);
        all.insert(all.end(), {stem + ".svg", stem + ".pdf"});
        for (std::string name : all) {
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(names.insert(name).second) << name;
        }
    }
}

TEST(Formats, ParsedFromACommaList) {
    using List = std::vector<std::string>;
    const std::pair<const char*, std::optional<List>> cases[] = {
        {"svg,pdf", List{"svg", "pdf"}}, {"png", List{"png"}}, {"pdf,svg,pdf", List{"pdf", "svg"}},
        {"", std::nullopt},              {"svg,", std::nullopt}, {",svg", std::nullopt},
        {"SVG", std::nullopt},           {"eps", std::nullopt},  {"svg pdf", std::nullopt},
    };
    for (const auto& [list, formats] : cases) EXPECT_EQ(ParsePlotFormats(list), formats) << list;
}

}  // namespace
