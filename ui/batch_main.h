#pragma once
// Entry of the headless batch mode ("--batch" on the command line;
// IsBatchInvocation in app/batch_mode.h tells).
namespace tarvik {

int BatchMain(int argc, char** argv);

} // namespace tarvik
