#pragma once
#include <array>

// The built-in query script: the lines stored from slot 4 on, in order.
extern const std::array<const char *, 13> builtInBankLines;
