#include "WindowPane.h"

#include "StockPane.h"

LinePane* MakeWindowPane(QWidget* parent) {
    return new StockPane(parent);
}
