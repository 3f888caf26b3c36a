// Fixture: a row class reaching for Qt Quick and for the controller.
#pragma once
#include "core.h"
#include "rowproperty.h"
#include <QObject>
#include <QQuickItem>
