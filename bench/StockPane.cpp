#include "bench/StockPane.h"

#include <QTextBlock>
#include <vector>

#include "lines/LineSplitter.h"

using namespace kavro::pane;

namespace {

// The document splits on LF only, so CR and CR LF ends become LF first.
QString ToDocumentText(std::string_view bytes) {
    std::string joined;
    joined.reserve(bytes.size());
    bool first = true;
    kavro::lines::ForEachLine(bytes, [&](std::string_view line) {
        if (!first) joined.push_back('\n');
        joined.append(line);
        first = false;
    });
    const char last = bytes.empty() ? '\0' : bytes.back();
    if (last == '\n' || last == '\r') joined.push_back('\n');
    return QString::fromLatin1(joined.data(), static_cast<qsizetype>(joined.size()));
}

}  // namespace

StockPane::StockPane(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { TextChanged(); });
}

void StockPane::ForEachLineBatch(const BatchFn& fn) const {
    constexpr size_t kBatch = 1024;
    std::vector<std::string> copies;
    copies.reserve(kBatch);
    std::vector<std::string_view> views;
    auto flush = [&] {
        views.assign(copies.begin(), copies.end());
        fn(views.data(), views.size());
        copies.clear();
    };
    const QTextDocument* doc = document();
    // The document's last block is the empty line after a final break.
    const int n = doc->blockCount() - (doc->lastBlock().text().isEmpty() ? 1 : 0);
    QTextBlock block = doc->begin();
    for (int i = 0; i < n; ++i, block = block.next()) {
        copies.push_back(block.text().toLatin1().toStdString());
        if (copies.size() == kBatch) flush();
    }
    if (!copies.empty()) flush();
}

void StockPane::SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) {
    size_t have = 0;
    for (size_t more; (more = awaitMore(have)) > have;) have = more;
    const std::string_view text(bytes.data(), have);
    SetText(std::string(text));
    // The views handed out live as long as the text, so the bytes are kept.
    loaded_ = std::move(bytes);
    if (onIndexed)
        kavro::lines::ForEachLine(std::string_view(loaded_.data(), have),
                           [&](std::string_view line) { onIndexed(&line, 1); });
}

void StockPane::SetText(std::string bytes) {
    setPlainText(ToDocumentText(bytes));
}
