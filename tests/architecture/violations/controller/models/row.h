// Fixture: a row class reaching for Qt Quick and for the controller.
#pragma once
#include <QObject>
#include <QQuickItem>
#include "core.h"
#include "rowproperty.h"
