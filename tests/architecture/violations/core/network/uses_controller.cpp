// Fixture: the network reaching up into the controller and the shell.
#include "../../controller/core.h"
#include "viewer.h"
#include "row.h"
#include <QtQml/QQmlEngine>
