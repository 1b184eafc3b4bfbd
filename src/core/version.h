// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the code and the Windows resource script, so it stays plain preprocessor text.
#define TALVENOR_NAME "Talvenor"
#define TALVENOR_VERSION_TEXT "1.0"
#define TALVENOR_FILE_VERSION_TEXT "1.00"
#define TALVENOR_VERSION_NUMBERS 1, 0, 0, 0
#define TALVENOR_MAKER "Les développeurs de Talvenor"
#define TALVENOR_ADDRESS "talvenor.example"
