#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

// "--record-arguments <log> <arguments...>": a stand-in for a program the shell starts. Writes
// the arguments after the log's name to the log, one a line, as UTF-16 LE, and ends.
int RecordArguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 3) {
        return 2;
    }
    std::wstring lines;
    for (int i = 3; i < count; ++i) {
        lines += std::wstring(arguments[i]) + L"\n";
    }
    const HANDLE log = CreateFileW(arguments[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(arguments);
    if (log == INVALID_HANDLE_VALUE) {
        return 3;
    }
    DWORD written = 0;
    WriteFile(log, lines.data(), static_cast<DWORD>(lines.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(log);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--record-arguments") {
        return RecordArguments();
    }
    // A failing test must not stop the run on a modal error box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
