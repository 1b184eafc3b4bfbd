// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The core names one of its services SendMessage; Windows' macro of that name would rename it.
#undef SendMessage
