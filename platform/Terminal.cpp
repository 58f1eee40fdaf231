#include "platform/Terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

void attachTerminal()
{
#ifdef _WIN32
    const auto missing = [](DWORD which) {
        const HANDLE h = ::GetStdHandle(which);
        return h == nullptr || h == INVALID_HANDLE_VALUE;
    };
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *ignored = nullptr;
    if (missing(STD_OUTPUT_HANDLE))
        ::freopen_s(&ignored, "CONOUT$", "w", stdout);
    if (missing(STD_ERROR_HANDLE))
        ::freopen_s(&ignored, "CONOUT$", "w", stderr);
    if (missing(STD_INPUT_HANDLE))
        ::freopen_s(&ignored, "CONIN$", "r", stdin);
#endif
}

bool inputIsTerminal()
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stdin)) != 0;
#else
    return ::isatty(STDIN_FILENO) != 0;
#endif
}

} // namespace platform
