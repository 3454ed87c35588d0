#include "shell/startup.h"

int main(int argc, char** argv) { return shell::run_engine(argc, argv); }
