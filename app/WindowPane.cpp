#include "WindowPane.h"

#include "TextPane.h"

LinePane* MakeWindowPane(QWidget* parent) {
    return new TextPane(parent);
}
