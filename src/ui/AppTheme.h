#pragma once

#include "ui/Palette.h"

// The two fixed palettes.
namespace AppTheme {

const Palette &light();
const Palette &dark();

} // namespace AppTheme
