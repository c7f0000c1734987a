#pragma once
// Entry of the headless batch mode ("--batch" on the command line).
namespace tarvik {

bool IsBatchInvocation(int argc, char** argv);
int BatchMain(int argc, char** argv);

} // namespace tarvik
