#pragma once
// Process-wide settings made once the application object exists.
void SetUpApplication();
