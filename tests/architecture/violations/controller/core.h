// Fixture: a controller header.
#pragma once
