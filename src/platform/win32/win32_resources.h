// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Resource identifiers, shared by the code and the resource script: plain preprocessor text.
// The program's icon has the lowest icon identifier, so that it is the one the file shows.
#define IDI_TALVENOR 1
#define IDI_HAND_POINTER 2
#define IDB_BACKGROUND 101
#define IDB_MINIMISE 106
#define IDB_CROSS 107
#define IDR_SPEAKER_GIF 104
#define IDR_ARROW_GIF 105

// Where the pointing hand points, from the top-left corner of its 32 x 32 picture.
#define TALVENOR_HAND_HOT_SPOT_X 5
#define TALVENOR_HAND_HOT_SPOT_Y 0
