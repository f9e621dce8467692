#pragma once

// The module's .def file exports exactly the entry functions, at their ordinals.
#define KAVELO_EXPORT extern "C"
