// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Palette.h"

// The two fixed palettes.
namespace AppTheme {

const Palette &light();
const Palette &dark();

} // namespace AppTheme
