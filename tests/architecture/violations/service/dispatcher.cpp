// Fixture: the service using core/network and the platform's signal watcher (allowed), and
// reaching up into the controller, the row classes, the shell and the hot key.
#include "dispatcher.h"
#include "cfieldreader.h"
#include "core.h"
#include "hotkey.h"
#include "row.h"
#include "settings.h"
#include "viewer.h"
#include <QQuickWindow>
