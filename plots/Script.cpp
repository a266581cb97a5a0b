#include "plots/Script.h"

#include <cstdio>

namespace kavro::plots {

std::string Quote(std::string_view text) {
    std::string out;
    bool open = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '`' || c == '@') {
            if (open) out += '\'';
            if (!out.empty()) out += '.';
            out += "sprintf('%c', " + std::to_string(byte) + ")";
            open = false;
            continue;
        }
        if (!open) {
            if (!out.empty()) out += '.';
            out += '\'';
            open = true;
        }
        out += c;
        if (c == '\'') out += '\'';
    }
    if (open) out += '\'';
    return out.empty() ? "''" : out;
}

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string Script(const std::string& stem, const std::vector<std::string>& formats, Canvas canvas,
                   std::string_view setup, std::string_view draw) {
    std::string list;
    for (const std::string& f : formats) list += (list.empty() ? "" : " ") + f;
    std::string s = "reset session\n"
                    "# Draws " + stem + ".svg, .pdf or .png from the data beside it: gnuplot " + stem + ".gp\n"
                    "font = 'Helvetica,10'  # the text's font and size in points\n"
                    "formats = '" + list + "'  # any of svg pdf png\n"
                    "width = " + Num(canvas.width) + "; height = " + Num(canvas.height) + "  # inches\n"
                    "\n"
                    "set datafile separator comma\n";
    s += setup;
    // Points for svg; png at 150 pixels an inch, its text and lines scaled to match.
    s += "do for [fmt in formats] {\n"
         "    if (fmt eq 'svg') { set terminal svg size width * 72, height * 72 font font noenhanced "
         "background rgb 'white' }\n"
         "    if (fmt eq 'pdf') { set terminal pdfcairo size width, height font font noenhanced }\n"
         "    if (fmt eq 'png') { set terminal pngcairo size width * 150, height * 150 font font noenhanced "
         "fontscale 150 / 72.0 linewidth 150 / 72.0 pointscale 150 / 72.0 }\n"
         "    set output '" + stem + ".'.fmt\n";
    for (size_t at = 0; at < draw.size();) {
        size_t end = draw.find('\n', at);
        if (end == std::string_view::npos) end = draw.size();
        s += "    ";
        s += draw.substr(at, end - at);
        s += '\n';
        at = end + 1;
    }
    s += "    unset output\n"
         "}\n";
    return s;
}

}  // namespace kavro::plots
