// Fixture: a Qt Quick header of the entry.
#pragma once
#include <QQuickView>
