// The names of the string table's texts, from res/strings.inc, for the code.
#pragma once

enum StringId : unsigned {
#define TV_STRING(name, id, text) name = id,
#include "res/strings.inc"
#undef TV_STRING
};
