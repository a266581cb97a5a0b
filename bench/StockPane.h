#pragma once
// The line-list contract over a stock QPlainTextEdit; kept as the baseline
// that the window benchmark compares the fast pane against.
#include <QPlainTextEdit>
#include <string>

#include "pane/LinePane.h"

class StockPane : public QPlainTextEdit, public LinePane {
public:
    explicit StockPane(QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    void ForEachLineBatch(const BatchFn& fn) const override;
    void SetText(std::string bytes) override;
    void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) override;

private:
    ByteBlock loaded_;
};
