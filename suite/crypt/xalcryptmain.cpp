// xalcrypt encrypt [password]
// Prints the text to store as "PW" in the access configuration file. Without an argument
// the password is read from the first line of standard input (not echoed on a terminal),
// which keeps it out of the shell history and the process list.

#include "xalcrypt.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

std::string ReadPassword() {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        std::cerr << "Password: " << std::flush;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

int Usage() {
    std::cerr << "usage: xalcrypt encrypt [password]\n"
                 "Prints the encrypted text for the \"PW\" key of zvaccess.cfg.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::strcmp(argv[1], "encrypt") != 0)
        return Usage();
    const std::string password = argc == 3 ? std::string(argv[2]) : ReadPassword();
    QByteArray text;
    if (!EncryptStringW(QString::fromLocal8Bit(password.c_str()), kXalAccessKey, text)) {
        std::cerr << "xalcrypt: encryption failed\n";
        return 1;
    }
    std::cout << text.constData() << '\n';
    return 0;
}
