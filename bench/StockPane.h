#pragma once
// The line-list contract over a stock QPlainTextEdit; kept as the baseline
// that the window benchmark compares the fast pane against.
#include <QPlainTextEdit>
#include <string>

#include "LinePane.h"

class StockPane : public QPlainTextEdit, public LinePane {
public:
    explicit StockPane(QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    int Count() const override;
    std::string Line(int i) const override;
    void ForEachLine(const std::function<void(std::string_view)>& fn) const override;
    void ForEachLineBatch(const BatchFn& fn) const override;
    void Clear() override;
    void Append(std::string_view line) override;
    void AppendLines(const std::string_view* lines, size_t count) override;
    void Reserve(size_t, size_t) override {}
    void SetText(std::string bytes) override;
    void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) override;
    void SetRepaintSuspended(bool suspended) override;

private:
    void Flush() const;

    // Appends while repainting is suspended are set in one go on resume:
    // one call per line is far too slow in a stock pane.
    mutable std::string pending_;
    mutable bool hasPending_ = false;
    bool suspended_ = false;
    ByteBlock loaded_;
};
