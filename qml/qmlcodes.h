#pragma once

// Makes the named codes (Codes in core/network) usable by the screens as the uncreatable
// type Codes of the module Zephon.Codes 1.0. Called once before the first screen is loaded.
void registerQmlCodes();
