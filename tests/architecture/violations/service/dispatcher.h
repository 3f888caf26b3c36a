// Fixture: a service header.
#pragma once
