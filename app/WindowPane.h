#pragma once
// The pane the window uses for Memo1 and Memo2.
class LinePane;
class QWidget;

LinePane* MakeWindowPane(QWidget* parent);
