// Runs the lexameter tool as a subprocess and captures its exit status and output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>

inline std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the tool with the arguments, in the folder dir when one is given, with standard input
// read from the file input (relative to dir) when one is given, else empty.
inline Outcome RunCli(const std::string& cli, const std::vector<std::string>& args,
                      const std::string& dir = "", const std::string& input = "") {
    std::string base = ::testing::TempDir() + "lexameter_cli_" + std::to_string(getpid());
    std::string command = dir.empty() ? "" : "cd " + Quote(dir) + " && ";
    command += Quote(cli);
    for (const std::string& a : args)
        command += " " + Quote(a);
    command += " >" + Quote(base + ".out") + " 2>" + Quote(base + ".err") + " <" +
               (input.empty() ? std::string("/dev/null") : Quote(input));
    Outcome o;
    int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = ReadFile(base + ".out");
    o.err = ReadFile(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return o;
}

#else
#include <windows.h>

// One argument of a command line as the C runtime splits it: quoted, with embedded quotes and
// the backslashes before them escaped.
inline std::string Quote(const std::string& arg) {
    std::string q = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, '\\');
    return q + "\"";
}

// Read as text: the tool's line ends (CR LF on Windows) compare equal to the expected files'.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the tool with the arguments, in the folder dir when one is given, with standard input
// read from the file input (relative to dir) when one is given, else empty.
inline Outcome RunCli(const std::string& cli, const std::vector<std::string>& args,
                      const std::string& dir = "", const std::string& input = "") {
    std::string base =
        ::testing::TempDir() + "lexameter_cli_" + std::to_string(GetCurrentProcessId());
    std::string outPath = base + ".out";
    std::string errPath = base + ".err";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    auto open = [&](const std::string& path, DWORD access, DWORD disposition) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    std::string inPath = input.empty() ? "NUL"
                         : dir.empty() || input[0] == '/' || input[0] == '\\' ||
                                 (input.size() > 1 && input[1] == ':')
                             ? input
                             : dir + "/" + input;
    HANDLE in = open(inPath, GENERIC_READ, OPEN_EXISTING);
    HANDLE out = open(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = open(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    std::string command = Quote(cli);
    for (const std::string& a : args)
        command += " " + Quote(a);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    Outcome o;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       dir.empty() ? nullptr : dir.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            o.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    o.out = ReadFile(outPath);
    o.err = ReadFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return o;
}
#endif
