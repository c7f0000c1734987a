#pragma once
// The parts of the program that need the graphics libraries are modules it
// loads only when they are wanted, so that a batch run without a picture
// starts without Qt and the window's libraries.
namespace tarvik {

// The module's entry, called as main would be, and its result; 1, after
// saying why on standard error, when the module cannot be loaded. A module
// lies beside the program (the build folder) or in ../lib/tarvik (installed).
int RunProgramModule(const char* module, const char* entry, int argc, char** argv);

} // namespace tarvik
