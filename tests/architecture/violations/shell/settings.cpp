// Fixture: a platform file using the entry's view and the controller.
#include "core.h"
#include "viewer.h"
#include <QGuiApplication>
