#pragma once
// The subcommands of tavren-guide, the guide author's tool. Each takes the
// arguments after its own name (argv[0] is the subcommand's name), writes
// its errors on stderr as "tavren-guide: ..." and returns the exit status:
// 0 all well, 1 findings (a dead link, a failed read or write, a lint
// finding), 2 usage or input that cannot be read at all.

namespace tavren::guide {

int Links(int argc, char** argv);
int Import(int argc, char** argv);
int Export(int argc, char** argv);

// Helpers the subcommands share.
int UsageError(const char* usage, const char* why);                              // prints why and usage, returns 2
bool WriteOutput(const char* outputPath, const void* data, unsigned long size);  // stdout when null
const char* Arg(int argc, char** argv, int& i);                                  // the value after an option, or null

}  // namespace tavren::guide
