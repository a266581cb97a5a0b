#pragma once
// The program's modal boxes. Every error that reaches the user goes through
// ShowErrorBox; handlers run inside RunGuarded so none escapes Qt's loop.
#include <QString>
#include <functional>

class QWidget;

namespace kavro::app {

// The executable's name up to its first full stop, capitalised as "Kavro".
QString ApplicationTitle();
// The error box text: the message, with a full stop unless it already ends
// in one or in a character that sorts before it.
QString ErrorBoxText(const QString& message);

void ShowErrorBox(const QString& message);
void ShowPlainNotice(const QString& text);
void ShowInformationBox(const QString& text);

// Runs `handler`; an exception it throws is shown in the error box.
void RunGuarded(const std::function<void()>& handler);

}  // namespace kavro::app
