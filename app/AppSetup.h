#pragma once

class QWidget;

namespace kavro::app {

// Process-wide settings made once the application object exists.

void SetUpApplication();
// Leaves the title bar of `window` empty and gives the task bar the
// application title instead. Call it before the window is first shown.
void ShowTitleOnTaskBarOnly(QWidget& window);

}  // namespace kavro::app
