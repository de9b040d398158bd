#pragma once

// Makes the one offscreen QApplication of a fuzz run; call it from
// LLVMFuzzerInitialize. It lives until the process exits.
void makeFuzzApplication(int *argc, char ***argv);
