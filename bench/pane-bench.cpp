// Times the text pane on trace-sized input, headless: loading, walking the
// lines, a few edits on the loaded text, and output lines set at once.
// Usage: pane-bench [megabytes]   (default 590)
//        pane-bench --file PATH     (load a trace file instead)
#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "pane/TextPane.h"


using namespace kavro::pane;

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Resident and peak resident memory in MB, from the kernel's own account.
double StatusMB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string name;
    long kb = 0;
    while (in >> name) {
        if (name == key) {
            in >> kb;
            return kb / 1024.0;
        }
        in.ignore(1 << 20, '\n');
    }
    return 0;
}

// Lines shaped like a wireless trace, about 110 bytes each.
std::string MakeTrace(size_t bytes, size_t* lines) {
    std::string text;
    text.reserve(bytes + 256);
    char buf[256];
    size_t n = 0;
    while (text.size() < bytes) {
        const int len = std::snprintf(
            buf, sizeof buf,
            "%c %.9f _%zu_ %s  --- %zu cbr 532 [13a 2c 1e 800] ------- [30:0 44:0 32 0] [%zu] 0 0 [0 0]     \n",
            "srf"[n % 3], 0.000013 * n, n % 50, (n & 1) ? "AGT" : "RTR", n / 7, n % 997);
        text.append(buf, static_cast<size_t>(len));
        ++n;
    }
    *lines = n;
    return text;
}

void Report(const char* what, double seconds) {
    std::printf("%-44s %8.3f s   RSS %7.0f MB   peak %7.0f MB\n", what, seconds, StatusMB("VmRSS:"),
                StatusMB("VmHWM:"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool fromFile = argc > 2 && std::string(argv[1]) == "--file";
    const size_t mb = argc > 1 && !fromFile ? std::strtoul(argv[1], nullptr, 10) : 590;

    TextPane pane;
    pane.resize(819, 239);
    pane.show();
    Report("(start)", 0);
    auto t = Clock::now();
    if (fromFile) {
        pane.LoadFromFile(QString::fromLocal8Bit(argv[2]));
        Report("LoadFromFile into the pane", Since(t));
    } else {
        size_t lines = 0;
        std::string text = MakeTrace(mb << 20, &lines);
        std::printf("synthetic trace: %zu MB, %zu lines\n", text.size() >> 20, lines);
        Report("(text built)", 0);
        t = Clock::now();
        pane.SetText(std::move(text));
        Report("SetText into the pane", Since(t));
    }

    t = Clock::now();
    size_t bytes = 0, walked = 0;
    pane.ForEachLineBatch([&](const std::string_view* lines, size_t count) {
        for (size_t i = 0; i < count; ++i) bytes += lines[i].size();
        walked += count;
    });
    Report(("ForEachLineBatch over " + std::to_string(walked) + " lines").c_str(), Since(t));

    t = Clock::now();
    pane.SetSelection({walked / 2, 10}, {walked / 2, 10});
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(&pane, &enter);
    const TextPos at = pane.Caret();
    Report("Enter in the middle of the text", Since(t));
    t = Clock::now();
    pane.Undo();
    Report("undo it", Since(t));
    t = Clock::now();
    pane.SelectAll();
    pane.DeleteSelection();
    Report("select all, delete", Since(t));
    t = Clock::now();
    pane.Undo();
    Report("undo the delete", Since(t));
    t = Clock::now();
    QApplication::processEvents();
    pane.repaint();
    Report("paint", Since(t));

    // Output lines as the window gives them, in one buffer built before timing.
    std::string events;
    for (int i = 0; i < 800000; ++i) {
        char buf[96];
        const int len = std::snprintf(buf, sizeof buf,
                                      "%d %d.123456789 sending to %d forwarding %d energy 5000\r\n", i % 50,
                                      i / 1000, (i + 7) % 50, i);
        events.append(buf, static_cast<size_t>(len));
    }
    TextPane out;
    out.show();
    t = Clock::now();
    out.SetText(std::move(events));
    QApplication::processEvents();
    Report("800000 output lines set at once", Since(t));

    // The caret at the end of a 50 MB line: what each blink costs, painting
    // included; near nothing, whatever the length.
    {
        const size_t size = 50u << 20;
        TextPane wide;
        wide.resize(819, 239);
        wide.show();
        wide.SetText(std::string(size, 'w'));
        wide.SetSelection({0, size}, {0, size});
        QApplication::processEvents();
        t = Clock::now();
        for (int i = 0; i < 100; ++i) {
            const QPointF caret = wide.PointAt(wide.Caret());
            wide.viewport()->repaint(QRectF(caret.x() - 1, caret.y(), 3, 20).toAlignedRect());
        }
        Report("100 caret blinks at the end of a 50 MB line", Since(t));
        t = Clock::now();
        for (int i = 0; i < 100; ++i) {
            wide.SetSelection({0, size - 1 - i % 2}, {0, size - 1 - i % 2});
            wide.viewport()->repaint();
        }
        Report("100 one-byte caret moves there, repainted", Since(t));
    }

    std::printf("checksum %zu\n", bytes + at.line);
    return 0;
}
