// Fixture: a command family reaching for the whole service instead of its context.
#include "cservice.h"
