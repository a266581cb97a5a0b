#include "StockPane.h"

#include <QTextBlock>
#include <vector>

#include "LineSplitter.h"

namespace {

// The document splits on LF only, so CR and CR LF ends become LF first.
QString ToDocumentText(std::string_view bytes) {
    std::string joined;
    joined.reserve(bytes.size());
    bool first = true;
    kavro::ForEachLine(bytes, [&](std::string_view line) {
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

int StockPane::Count() const {
    Flush();
    const QTextDocument* doc = document();
    int n = doc->blockCount();
    if (doc->lastBlock().text().isEmpty()) --n;
    return n;
}

std::string StockPane::Line(int i) const {
    Flush();
    return document()->findBlockByNumber(i).text().toLatin1().toStdString();
}

void StockPane::ForEachLine(const std::function<void(std::string_view)>& fn) const {
    Flush();
    const int n = Count();
    QTextBlock block = document()->begin();
    for (int i = 0; i < n; ++i, block = block.next()) {
        const QByteArray bytes = block.text().toLatin1();
        fn(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
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
    ForEachLine([&](std::string_view line) {
        copies.emplace_back(line);
        if (copies.size() == kBatch) flush();
    });
    if (!copies.empty()) flush();
}

void StockPane::Clear() {
    pending_.clear();
    hasPending_ = false;
    clear();
}

void StockPane::Append(std::string_view line) {
    if (suspended_) {
        if (!hasPending_) {
            pending_ = toPlainText().toLatin1().toStdString();
            if (!pending_.empty() && pending_.back() != '\n') pending_.push_back('\n');
        }
        hasPending_ = true;
        pending_.append(line).push_back('\n');
        return;
    }
    Flush();
    // A memo's Add puts the line after the last line break.
    QString text = QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    moveCursor(QTextCursor::End);
    if (!document()->lastBlock().text().isEmpty()) insertPlainText(QStringLiteral("\n"));
    insertPlainText(text + QLatin1Char('\n'));
}

void StockPane::AppendLines(const std::string_view* lines, size_t count) {
    for (size_t i = 0; i < count; ++i) Append(lines[i]);
}

void StockPane::SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) {
    size_t have = 0;
    for (size_t more; (more = awaitMore(have)) > have;) have = more;
    const std::string_view text(bytes.data(), have);
    SetText(std::string(text));
    // The views handed out live as long as the text, so the bytes are kept.
    loaded_ = std::move(bytes);
    if (onIndexed)
        kavro::ForEachLine(std::string_view(loaded_.data(), have),
                           [&](std::string_view line) { onIndexed(&line, 1); });
}

void StockPane::SetText(std::string bytes) {
    pending_.clear();
    hasPending_ = false;
    setPlainText(ToDocumentText(bytes));
}

void StockPane::SetRepaintSuspended(bool suspended) {
    suspended_ = suspended;
    viewport()->setUpdatesEnabled(!suspended);
    if (!suspended) Flush();
}

void StockPane::Flush() const {
    if (!hasPending_) return;
    hasPending_ = false;
    auto* self = const_cast<StockPane*>(this);
    self->setPlainText(QString::fromLatin1(pending_.data(), static_cast<qsizetype>(pending_.size())));
    pending_.clear();
}
