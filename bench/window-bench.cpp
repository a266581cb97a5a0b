// Times the real window on the ns.tr beside this executable: start-up (window
// created, trace loaded and painted), then one conversion (output shown and
// saved). Prints one line of figures, including the process's peak memory.
//
//   kavro-window-bench [fast|stock]
#include <sys/resource.h>

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/AppSetup.h"
#include "pane/LinePane.h"
#include "bench/StockPane.h"
#include "app/Unit1.h"

using namespace kavro::pane;
using namespace kavro::app;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

size_t LinesOf(const LinePane& pane) {
    size_t lines = 0;
    pane.ForEachLineBatch([&](const std::string_view*, size_t count) { lines += count; });
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    const bool stock = argc > 1 && std::strcmp(argv[1], "stock") == 0;
    QApplication app(argc, argv);
    SetUpApplication();

    // A missing trace would open a modal box that nobody closes.
    const QFileInfo trace(QCoreApplication::applicationDirPath() + "/ns.tr");
    if (!trace.isFile()) {
        std::fprintf(stderr, "kavro-window-bench: no ns.tr beside %s\n", argv[0]);
        return 2;
    }

    TForm1::PaneFactory factory;
    if (stock) factory = [](QWidget* parent) -> LinePane* { return new StockPane(parent); };
    TForm1 form(factory);
    form.show();
    QCoreApplication::processEvents();
    const double startup = SecondsSince(start);

    const auto convertStart = std::chrono::steady_clock::now();
    form.BitBtn1->click();
    QCoreApplication::processEvents();
    const double convert = SecondsSince(convertStart);

    // In MB, as the trace's size is, not in MiB: the two are compared.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("pane %s trace_mb %.1f input_lines %zu output_lines %zu startup_s %.3f convert_s %.3f "
                "total_s %.3f peak_mb %.0f\n",
                stock ? "stock" : "fast", trace.size() / 1e6, LinesOf(*form.Memo1), LinesOf(*form.Memo2),
                startup, convert, startup + convert, usage.ru_maxrss * 1024 / 1e6);
    return 0;
}
