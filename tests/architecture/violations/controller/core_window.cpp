// Fixture: the controller using the platform and Qt Quick (allowed) and the entry's view.
#include "core.h"
#include "hotkey.h"
#include "settings.h"
#include "viewer.h"
#include <QQuickItem>
