// tavren-check: runs the catalogue commands on a guide file the way the
// window does, or lints it (app/check/CheckCommand.cpp).

#include "app/check/CheckCommand.h"

int main(int argc, char** argv) { return tavren::CheckCommand("tavren-check", argc, argv); }
