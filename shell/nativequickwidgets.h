// Registration of the native helper items the screens import as "NativeQuickWidgets" 1.0.
#pragma once

// Registers DeclarativeCheckBox, CursorArea, MenuAction and Menu. Call once before the
// first screen is loaded; later calls do nothing.
void registerNativeQuickWidgets();
