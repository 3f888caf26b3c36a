// Fixture: the network reaching up into the controller, the platform, the shell and the
// service.
#include "../../controller/core.h"
#include "dispatcher.h"
#include "row.h"
#include "settings.h"
#include "viewer.h"
#include <QtQml/QQmlEngine>
