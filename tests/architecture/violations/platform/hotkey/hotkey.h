// Fixture: platform's Qt Gui library using the platform below it (allowed), the entry's view
// and Qt Quick.
#pragma once
#include "settings.h"
#include "viewer.h"
#include <QGuiApplication>
#include <QQuickWindow>
