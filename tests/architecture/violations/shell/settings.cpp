// Fixture: a platform file using the entry's view and the controller.
#include "viewer.h"
#include "core.h"
#include <QGuiApplication>
