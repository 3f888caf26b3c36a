// Fixture: the service reaching up into the controller, the row classes and the shell.
#include "dispatcher.h"
#include "cfieldreader.h"
#include "core.h"
#include "row.h"
#include "viewer.h"
#include <QQuickWindow>
