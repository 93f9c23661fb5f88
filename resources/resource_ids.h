#pragma once

// The main window's small icon.
#define IDI_PICTOR 102
