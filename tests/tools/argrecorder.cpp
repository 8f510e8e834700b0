// Test helper started by the launcher tests under the names of the suite's programs.
// Writes how it was started to "$XAL_ARGS_DIR/<name it was started as>.args":
//   cwd:<working directory>
//   fd:<number>      for every open descriptor above standard error
//   arg:<text>       for every argument
// The file appears complete at once (written aside, then renamed).

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const char* dir = std::getenv("XAL_ARGS_DIR");
    if (dir == nullptr || argc < 1)
        return 2;
    std::string text;
    char cwd[4096] = {};
    if (getcwd(cwd, sizeof(cwd)) != nullptr)
        text += std::string("cwd:") + cwd + "\n";

    std::vector<int> fds;
    if (DIR* fdDir = opendir("/proc/self/fd")) {
        const int own = dirfd(fdDir);
        while (const dirent* entry = readdir(fdDir)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] != '.' && fd > 2 && fd != own)
                fds.push_back(fd);
        }
        closedir(fdDir);
    }
    for (int fd : fds)
        text += "fd:" + std::to_string(fd) + "\n";
    for (int i = 1; i < argc; ++i)
        text += std::string("arg:") + argv[i] + "\n";

    std::string name = argv[0];
    name = name.substr(name.find_last_of('/') + 1);
    const std::string target = std::string(dir) + "/" + name + ".args";
    const std::string temp = target + ".tmp";
    FILE* file = std::fopen(temp.c_str(), "w");
    if (file == nullptr)
        return 3;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return std::rename(temp.c_str(), target.c_str()) == 0 ? 0 : 4;
}
