// Fixture: the network reaching up into the controller, the shell and the service.
#include "../../controller/core.h"
#include "viewer.h"
#include "row.h"
#include "dispatcher.h"
#include <QtQml/QQmlEngine>
