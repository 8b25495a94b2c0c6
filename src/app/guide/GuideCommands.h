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
// An argument that is none of the subcommand's own options: --help (prints
// `usage`, returns 0), an unknown option (usage error, 2), a second file
// (usage error naming `what`, 2), or else the one file, kept in `file`, -1.
int OtherArg(const char* usage, const char* what, const char* arg, const char*& file);

}  // namespace tavren::guide
