// Runs the lexameter tool as a subprocess and captures its exit status and output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

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

// Runs the tool with the arguments, in the folder dir when one is given.
inline Outcome RunCli(const std::string& cli, const std::vector<std::string>& args,
                      const std::string& dir = "") {
    std::string base = ::testing::TempDir() + "lexameter_cli_" + std::to_string(getpid());
    std::string command = dir.empty() ? "" : "cd " + Quote(dir) + " && ";
    command += Quote(cli);
    for (const std::string& a : args)
        command += " " + Quote(a);
    command += " >" + Quote(base + ".out") + " 2>" + Quote(base + ".err") + " </dev/null";
    Outcome o;
    int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = ReadFile(base + ".out");
    o.err = ReadFile(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return o;
}
#endif
