// The process-wide start-up values: how this run behaves and where the program
// file lies. Detected once, before any window exists, and never changed.
#pragma once

#include <string>

#include "RunMode.h"

// Full path of the running program file (UTF-8).
const std::string& ThisProgramPath();

// Run mode of this process: source folder, uninstall mode, self-relocation.
const TRunMode& ThisRunMode();

// The application title, the text of the program's taskbar button.
inline constexpr char kApplicationTitle[] = "Установка Карты Тальмирской области 2.0";
