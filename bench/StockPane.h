#pragma once
// The line-list contract over a stock QPlainTextEdit; kept as the baseline
// that the window benchmark compares the fast pane against.
#include <QPlainTextEdit>
#include <string>

#include "pane/LinePane.h"


class StockPane : public QPlainTextEdit, public kavro::pane::LinePane {
public:
    explicit StockPane(QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    void ForEachLineBatch(const BatchFn& fn) const override;
    void SetText(std::string bytes) override;
    void SetText(kavro::pane::ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) override;

private:
    kavro::pane::ByteBlock loaded_;
};
