// Fixture: the wire's vocabulary reaching up into the service.
#pragma once

#include <QObject>

#include "dispatcher.h"
