#include "plots/StudyFigures.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "study/Csv.h"
#include "plots/Names.h"
#include "plots/Script.h"
#include "conversion/TraceTime.h"

namespace kavro::plots {

namespace {

using study::TraceFigures;
using study::Value;

struct Measure {
    const char* stem;
    const char* column;
    const char* title;
    const char* axis;
    int decimals;  // as --csv writes them
    bool percent;
    Value (*of)(const TraceFigures&);
};

const Measure kMeasures[] = {
    {"study-pdr", "pdr", "Packet delivery ratio", "Delivery ratio (%)", 2, true,
     [](const TraceFigures& f) { return f.pdr; }},
    {"study-delay", "mean_delay", "Mean end-to-end delay", "Delay (s)", 9, false,
     [](const TraceFigures& f) { return f.meanDelay; }},
    {"study-throughput", "throughput_kbps", "Throughput", "Throughput (kbit/s)", 3, false,
     [](const TraceFigures& f) { return f.throughputKbps; }},
    {"study-nrl", "nrl", "Normalised routing load", "Routing packets per delivered packet", 4, false,
     [](const TraceFigures& f) { return f.nrl; }},
    {"study-hops", "mean_hops", "Mean hop count", "Hops per delivered packet", 4, false,
     [](const TraceFigures& f) { return f.meanHops; }},
    {"study-dropped", "dropped", "Dropped packets", "Packets dropped", 2, false,
     [](const TraceFigures& f) { return Value(static_cast<double>(f.dropped)); }},
};

// One point of a figure: where it goes, its tic label on a category axis,
// and the runs' figures there.
struct Point {
    double x = 0;
    std::string label;
    std::vector<const TraceFigures*> runs;
};

struct Axis {
    std::vector<Point> points;
    bool categories = true;
    const char* name = "Group";
};

Axis GroupAxis(const std::vector<study::Run>& runs) {
    std::map<std::string, std::vector<const TraceFigures*>> byGroup;
    for (const study::Run& r : runs) byGroup[r.group].push_back(&r.figures);
    std::vector<std::string> groups;
    for (const auto& [group, figures] : byGroup) groups.push_back(group);
    study::SortGroups(groups);
    Axis axis;
    axis.categories = !study::AllNumbers(groups);
    for (const std::string& group : groups) {
        Point p{static_cast<double>(axis.points.size() + 1), group, byGroup[group]};
        if (!axis.categories) ReadTime(group, p.x);
        axis.points.push_back(std::move(p));
    }
    return axis;
}

Axis TraceAxis(const std::vector<study::Run>& runs) {
    Axis axis;
    axis.name = "Trace";
    for (const study::Run& r : runs)
        axis.points.push_back({static_cast<double>(axis.points.size() + 1), TraceLabel(r.group), {&r.figures}});
    return axis;
}

// The x range with some room beside the outer points.
std::string XRange(const Axis& axis) {
    if (axis.categories) return "set xrange [0.5:" + Num(axis.points.size() + 0.5) + "]\n";
    double low = axis.points.front().x, high = low;
    for (const Point& p : axis.points) low = std::min(low, p.x), high = std::max(high, p.x);
    const double room = high > low ? (high - low) * 0.05 : std::max(std::abs(low) * 0.1, 1.0);
    return "set xrange [" + Num(low - room) + ":" + Num(high + room) + "]\n";
}

// A tic label, cut short so that a long trace name leaves room for the plot.
std::string Tic(const std::string& label) {
    constexpr size_t kLetters = 20;
    return label.size() <= kLetters ? label : label.substr(0, kLetters - 3) + "...";
}

// Whether the labels, level, would run into each other.
bool Leaning(const Axis& axis) {
    size_t letters = 0;
    for (const Point& p : axis.points) letters += Tic(p.label).size() + 2;
    return axis.categories && letters > 60;
}

std::string CategoryTics(const Axis& axis) {
    std::string tics;
    for (const Point& p : axis.points) tics += (tics.empty() ? "" : ", ") + Quote(Tic(p.label)) + " " + Num(p.x);
    return "set xtics (" + tics + ")" + (Leaning(axis) ? " rotate by 45 right" : "") + "\n";
}

// A third of an inch a category past fifteen; room below for leaning labels.
Canvas CanvasFor(const Axis& axis) {
    const double width = axis.categories ? std::max(5.0, axis.points.size() / 3.0) : 5;
    return {width, Leaning(axis) ? 4.2 : 3.5};
}

Figure Draw(const Measure& m, const Axis& axis, bool grouped, const std::vector<std::string>& formats) {
    const std::string stem = m.stem;
    std::string data = grouped ? std::string(axis.categories ? "group_index" : "group") + ",runs,mean,sd,ci95\n"
                               : std::string("trace_index,") + m.column + "\n";
    double top = 0;
    bool any = false;
    for (const Point& p : axis.points) {
        std::vector<double> values;
        for (const TraceFigures* f : p.runs)
            if (const Value v = m.of(*f)) values.push_back(*v);
        const study::Spread s = study::SpreadOf(values);
        data += Num(p.x);
        if (grouped) {
            data += ',' + std::to_string(s.n);
            for (const Value* v : {&s.mean, &s.sd, &s.ci95}) study::Number(data, *v, m.decimals);
        } else {
            study::Number(data, s.mean, m.decimals);
        }
        data += '\n';
        if (s.mean) any = true, top = std::max(top, *s.mean + s.ci95.value_or(0));
    }

    // One line: the title says what the bars are, rather than a key.
    std::string draw = "set title " + Quote(std::string(m.title) + (grouped ? " (mean, 95% CI)" : "")) +
                       "\nset xlabel '" + axis.name + "'\n" + "set ylabel " + Quote(m.axis) + "\n" + XRange(axis);
    if (axis.categories) draw += CategoryTics(axis);
    draw += "set grid ytics lc rgb '#d0d0d0'\nunset key\n";
    const std::string csv = stem + ".csv";
    if (!any) {
        draw += "set yrange [0:1]\n"
                "set label 1 'no data' at graph 0.5, 0.5 center\n"
                "plot NaN notitle\n";
    } else {
        // A ratio ends at 100 % however wide its interval.
        draw += m.percent ? "set yrange [0:105]\nset ytics 0, 20, 100\n"
                          : top > 0 ? "set yrange [0:*]\n" : "set yrange [0:1]\n";
        draw += "set boxwidth 0.6\n"
                "set style fill solid 0.5 border -1\n";
        // Bars from the mean less its interval, but not below 0, to the mean plus it.
        const std::string bars = "using 1:3:($3 > ci(5) ? $3 - ci(5) : 0):($3 + ci(5))";
        if (!grouped)
            draw += "plot '" + csv + "' skip 1 using 1:2 with boxes lc rgb '#4a7ab0' notitle\n";
        else if (axis.categories)
            draw += "plot '" + csv + "' skip 1 " + bars + ":(0.6) with boxerrorbars lc rgb '#4a7ab0' notitle\n";
        else
            draw += "plot '" + csv + "' skip 1 " + bars + " with yerrorlines lw 1.5 pt 7 lc rgb '#1f4e8c' notitle\n";
    }
    Figure f{stem + ".gp", {{csv, data}}};
    const std::string setup = "ci(c) = valid(c) ? column(c) : 0  # no interval of one run\n";
    f.files.push_back({f.script, Script(stem, formats, CanvasFor(axis), setup, draw)});
    return f;
}

}  // namespace

const std::vector<std::string>& StudyStems() {
    static const std::vector<std::string> stems = [] {
        std::vector<std::string> s;
        for (const Measure& m : kMeasures) s.push_back(m.stem);
        return s;
    }();
    return stems;
}

std::vector<Figure> StudyFigures(const std::vector<study::Run>& runs, bool grouped,
                                 const std::vector<std::string>& formats) {
    std::vector<Figure> figures;
    if (runs.empty()) return figures;
    const Axis axis = grouped ? GroupAxis(runs) : TraceAxis(runs);
    for (const Measure& m : kMeasures) figures.push_back(Draw(m, axis, grouped, formats));
    return figures;
}

}  // namespace kavro::plots
