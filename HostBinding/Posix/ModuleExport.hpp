#pragma once

// The module is built with hidden visibility; its version script exports exactly what is marked.
#define KAVELO_EXPORT extern "C" __attribute__((visibility("default")))
