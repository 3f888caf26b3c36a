// Fixture: a Qt-Core-only platform file using the controller, the entry's view and the hot key.
#include "settings.h"
#include "core.h"
#include "hotkey.h"
#include "viewer.h"
#include <QGuiApplication>
