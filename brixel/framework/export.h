#pragma once

// Symbols of libbrixel.so are hidden unless marked: exported classes, functions and data
// carry BRIXEL_API so that host models can link against them.
#define BRIXEL_API __attribute__((visibility("default")))
