// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the vector paths are built: on x86-64 (where SSE2 is always there) unless the build says
// VECARDIA_SIMD=OFF, which compiles only the scalar twins, as an ARM build does. Every vector path has a scalar twin
// that every build compiles and the tests hold it to.
#if VECARDIA_SIMD && defined(__SSE2__)
#define VECARDIA_SSE2 1
#include <emmintrin.h>
#else
#define VECARDIA_SSE2 0
#endif
