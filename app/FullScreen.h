#pragma once

// Switches the main window between full screen (the first call) and an 800 x 600 frame.
void ToggleFullScreen();
