// A program for the launcher tests to start. The first thing it does is note the monotonic
// time in a file, so a test can tell when it really began to run; then it waits to be closed.
//   launcher_helper stamp FILE             note the time in FILE
//   launcher_helper stamp FILE ignore-term the same, deaf to SIGTERM
//   launcher_helper                        note the time in "<argv[0]>.started"
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const bool ignoreTerm = argc > 3 && std::strcmp(argv[3], "ignore-term") == 0;
  if (ignoreTerm) signal(SIGTERM, SIG_IGN);

  const std::string file = argc > 2 ? argv[2] : std::string(argv[0]) + ".started";
  const std::string partial = file + ".part";
  // Written aside then renamed, so the test never reads half a number.
  if (FILE* out = std::fopen(partial.c_str(), "w")) {
    std::fprintf(out, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fclose(out);
    std::rename(partial.c_str(), file.c_str());
  }
  for (;;) pause();
}
