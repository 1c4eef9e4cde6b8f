#pragma once

// Makes every later library load of this process search the system folder
// only. Call first thing in the program entry, before anything can load a
// library.
void RestrictDllSearchToSystemFolder();
