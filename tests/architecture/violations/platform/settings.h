// Fixture: a header of the Qt-Core-only platform library.
#pragma once
#include <QObject>
