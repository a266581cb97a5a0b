// What a trace that no rule read is said to be.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "conversion/TraceKind.h"

namespace {

using namespace std::string_literals;

std::string Data(const char* name) {
    std::ifstream in(KAVRO_TEST_DATA "/"s + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of a wireless trace that no rule reads: MAC, queue, movement.
std::string MacOnly() {
    std::istringstream in(Data("dsr-10n-40s.tr"));
    std::string out;
    for (std::string line; std::getline(in, line) && out.size() < 20000;)
        if (line.find("AGT") == std::string::npos && line.find("RTR") == std::string::npos) out += line + "\n";
    return out;
}

TEST(TraceKind, SaysWhatWasFound) {
    const std::string none = "no wireless agent or routing lines";
    const struct {
        std::string bytes;
        std::string why;
    } cases[] = {
        {"", "empty trace"},
        {"\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0"s, "not a trace (binary data)"},
        {std::string(100, '\x01') + "s 1.0 _1_ AGT  --- 1 cbr", "not a trace (binary data)"},
        {"# Kavro\n\nKavro turns the text trace that the ns-2 simulator writes\n", none + " (not an ns-2 trace?)"},
        {Data("wired-2n-1s.tr"), none + " (a wired ns-2 trace?)"},
        {Data("wired-2n-1s.nam"), none + " (a nam trace?)"},
        {MacOnly(), none + " (agent tracing off? -agentTrace ON)"},
        {"caf\xe9 cr\xe8me\r\n", none + " (not an ns-2 trace?)"},
    };
    for (const auto& c : cases) EXPECT_EQ(kavro::WhyNoLineWasRead(c.bytes), c.why) << c.bytes.substr(0, 40);
}

}  // namespace
