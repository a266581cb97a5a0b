#include "study/Averages.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "study/Csv.h"
#include "conversion/TraceTime.h"

namespace kavro::study {

namespace {

struct Column {
    const char* name;
    int decimals;
    Value (*of)(const TraceFigures&);
};

Value CountOf(uint64_t n) { return static_cast<double>(n); }

// The figures averaged, with the decimals --csv gives them; counts get two.
const Column kColumns[] = {
    {"pdr", 2, [](const TraceFigures& f) { return f.pdr; }},
    {"mean_delay", 9, [](const TraceFigures& f) { return f.meanDelay; }},
    {"median_delay", 9, [](const TraceFigures& f) { return f.medianDelay; }},
    {"p95_delay", 9, [](const TraceFigures& f) { return f.p95Delay; }},
    {"max_delay", 9, [](const TraceFigures& f) { return f.maxDelay; }},
    {"jitter", 9, [](const TraceFigures& f) { return f.jitter; }},
    {"throughput_kbps", 3, [](const TraceFigures& f) { return f.throughputKbps; }},
    {"mean_hops", 4, [](const TraceFigures& f) { return f.meanHops; }},
    {"routing_packets", 2, [](const TraceFigures& f) { return f.routingPackets ? CountOf(*f.routingPackets) : Value(); }},
    {"nrl", 4, [](const TraceFigures& f) { return f.nrl; }},
    {"dropped", 2, [](const TraceFigures& f) { return CountOf(f.dropped); }},
};

std::string Header() {
    std::string header = "group,runs";
    for (const Column& c : kColumns)
        for (const char* what : {"_mean", "_sd", "_ci95"}) header += std::string(",") + c.name + what;
    return header + '\n';
}

// Lentz's continued fraction for the incomplete beta function.
double BetaFraction(double a, double b, double x) {
    constexpr double kTiny = 1e-300;
    double c = 1, d = 1 - (a + b) * x / (a + 1);
    if (std::fabs(d) < kTiny) d = kTiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= 10000; ++m) {
        for (int step = 0; step < 2; ++step) {
            const double aa = step == 0 ? m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
                                        : -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
            d = 1 + aa * d;
            if (std::fabs(d) < kTiny) d = kTiny;
            c = 1 + aa / c;
            if (std::fabs(c) < kTiny) c = kTiny;
            d = 1 / d;
            h *= d * c;
            if (step == 1 && std::fabs(d * c - 1) < 1e-15) return h;
        }
    }
    return h;
}

// The regularised incomplete beta function I_x(a, b).
double IncompleteBeta(double a, double b, double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) +
                                  b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(a, b, x) / a;
    return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

}  // namespace

const std::string kSummaryHeader = Header();

double StudentT95(unsigned long df) {
    // P(|T| > t) = I_{df / (df + t^2)}(df / 2, 1 / 2), falling in t.
    const double n = static_cast<double>(df);
    double low = 0, high = 1000;
    for (int i = 0; i < 200; ++i) {
        const double t = (low + high) / 2;
        (IncompleteBeta(n / 2, 0.5, n / (n + t * t)) > 0.05 ? low : high) = t;
    }
    const double t = (low + high) / 2;
    const double scale = std::pow(10.0, 3 - std::floor(std::log10(t)));
    return std::round(t * scale) / scale;
}

Spread SpreadOf(const std::vector<double>& values) {
    Spread s;
    s.n = values.size();
    if (s.n == 0) return s;
    double sum = 0;
    for (double v : values) sum += v;
    const double mean = sum / s.n;
    const auto finite = [](double v) { return std::isfinite(v) ? Value(v) : std::nullopt; };
    s.mean = finite(mean);
    if (s.n < 2) return s;
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    const double sd = std::sqrt(squares / (s.n - 1));
    s.sd = finite(sd);
    s.ci95 = finite(StudentT95(s.n - 1) * sd / std::sqrt(static_cast<double>(s.n)));
    return s;
}

bool AllNumbers(const std::vector<std::string>& texts) {
    double value = 0;
    return std::all_of(texts.begin(), texts.end(), [&](const std::string& t) { return ReadTime(t, value); });
}

void SortGroups(std::vector<std::string>& groups) {
    if (!AllNumbers(groups)) {
        std::sort(groups.begin(), groups.end());
        return;
    }
    std::sort(groups.begin(), groups.end(), [](const std::string& a, const std::string& b) {
        double x = 0, y = 0;
        ReadTime(a, x);
        ReadTime(b, y);
        return x != y ? x < y : a < b;
    });
}

std::string SummaryRows(const std::vector<Run>& runs) {
    std::map<std::string, std::vector<const TraceFigures*>> byGroup;
    for (const Run& r : runs) byGroup[r.group].push_back(&r.figures);
    std::vector<std::string> groups;
    for (const auto& [group, figures] : byGroup) groups.push_back(group);
    SortGroups(groups);

    std::string rows;
    for (const std::string& group : groups) {
        const std::vector<const TraceFigures*>& figures = byGroup[group];
        Csv(rows, group);
        rows += ',' + std::to_string(figures.size());
        for (const Column& c : kColumns) {
            std::vector<double> values;
            for (const TraceFigures* f : figures)
                if (const Value v = c.of(*f)) values.push_back(*v);
            const Spread s = SpreadOf(values);
            Number(rows, s.mean, c.decimals);
            Number(rows, s.sd, c.decimals);
            Number(rows, s.ci95, c.decimals);
        }
        rows += '\n';
    }
    return rows;
}

}  // namespace kavro::study
