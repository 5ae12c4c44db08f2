/* A stand-in program for the end-to-end tests: appends "TAG" and a line end to LOGFILE.
   Usage: e2e-logger LOGFILE TAG [SECONDS]  (SECONDS: stay running that long afterwards). */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    FILE* f = fopen(argv[1], "a");
    if (!f) return 1;
    fprintf(f, "%s\n", argv[2]);
    fclose(f);
    if (argc > 3) Sleep((DWORD)atoi(argv[3]) * 1000);
    return 0;
}
