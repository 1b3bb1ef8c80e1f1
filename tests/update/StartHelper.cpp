// A small program for the launcher tests:
//   start_helper exit CODE        ends at once with CODE
//   start_helper sleep MS         ends after MS milliseconds
//   start_helper record FILE ARGS writes its working folder and ARGS, one a line, to FILE
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "exit") == 0)
        return std::atoi(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "record") == 0) {
        FILE *f = std::fopen(argv[2], "w");
        if (!f)
            return 2;
        char cwd[4096];
        std::fprintf(f, "%s\n", getcwd(cwd, sizeof cwd) ? cwd : "?");
        for (int i = 3; i < argc; ++i)
            std::fprintf(f, "%s\n", argv[i]);
        std::fclose(f);
        return 0;
    }
    return 99;
}
